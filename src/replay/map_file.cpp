#include "replay/map_file.h"

#include <algorithm>
#include <memory>

namespace kestrix::replay {
namespace {

constexpr std::string_view kHead = "# kestrix map 1\t";
constexpr std::string_view kColumns = "file\tfirst_vector\tlast_vector\tsvf_line\tstatement";
constexpr std::string_view kWait = "# wait\t";
constexpr std::string_view kIncomplete = "# incomplete";

// The fields of a line between its tabs; the last one takes the rest of the line.
std::vector<std::string_view> fields(std::string_view text, std::size_t count) {
  std::vector<std::string_view> parts;
  while (parts.size() + 1 < count) {
    std::size_t tab = text.find('\t');
    if (tab == std::string_view::npos) break;
    parts.push_back(text.substr(0, tab));
    text.remove_prefix(tab + 1);
  }
  parts.push_back(text);
  return parts;
}

bool number(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 18) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}

}  // namespace

std::string mapFileName(std::string_view path) {
  std::size_t separator = path.find_last_of("/\\");
  if (separator == std::string_view::npos) return std::string(path);
  std::size_t base = separator + 1;
  while (base < path.size() && (path[base] == ' ' || path[base] == '\t')) ++base;
  return std::string(path.substr(base));
}

std::optional<Problem> MapFile::read(FileSystem& files, const std::string& path) {
  name_ = path;
  std::unique_ptr<ByteSource> source = files.openRead(path);
  if (source == nullptr) return Problem{Place{path, 0}, "cannot be opened"};
  std::string text;
  char block[1 << 16];
  for (long count; (count = source->read(block, sizeof block)) != 0;) {
    if (count < 0) return Problem{Place{path, 0}, "cannot be read"};
    text.append(block, static_cast<std::size_t>(count));
  }
  std::uint64_t line = 0;
  std::string_view rest = text;
  while (!rest.empty()) {
    std::size_t end = rest.find('\n');
    std::string_view current = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
    if (std::optional<Problem> problem = readLine(current, ++line)) return problem;
  }
  if (!columnsSeen_) {
    return Problem{Place{path, line}, "not a kestrix map: it ends before its line of column names"};
  }
  return std::nullopt;
}

std::optional<Problem> MapFile::readLine(std::string_view text, std::uint64_t line) {
  auto problem = [&](std::string message) { return Problem{Place{name_, line}, message}; };
  if (line == 1) {
    if (!text.starts_with(kHead)) {
      return problem("not a kestrix map: its first line does not begin with \"# kestrix map 1\"");
    }
    input_ = text.substr(kHead.size());
    return std::nullopt;
  }
  if (line == 2) {
    if (text != kColumns) return problem("not a kestrix map: its second line names no columns");
    columnsSeen_ = true;
    return std::nullopt;
  }
  if (incomplete_) return problem("a line after \"# incomplete\"");
  if (text == kIncomplete) {
    incomplete_ = true;
    incompleteLine_ = line;
    return std::nullopt;
  }
  bool wait = text.starts_with(kWait);
  if (wait) text.remove_prefix(kWait.size());
  std::vector<std::string_view> parts = fields(text, wait ? 4 : 5);
  std::uint64_t first = 0, last = 0, svfLine = 0;
  bool valid = parts.size() == (wait ? 4u : 5u) && !parts[0].empty() && number(parts[1], first);
  if (valid && !wait) valid = number(parts[2], last) && first >= 1 && last >= first;
  if (valid) valid = number(parts[wait ? 2 : 3], svfLine) && svfLine >= 1;
  if (!valid) {
    return problem(wait ? "a wait line of the map that is not \"# wait\", file, vector lines "
                          "before it, SVF line and statement"
                        : "a row of the map that is not file, first and last vector, SVF line "
                          "and statement");
  }
  std::string file(parts[0]);
  auto [entry, added] = files_.try_emplace(file);
  if (added) order_.push_back(file);
  if (wait) {
    entry->second.waits.push_back({first, svfLine, std::string(parts[3])});
    return std::nullopt;
  }
  std::vector<Row>& rows = entry->second.rows;
  std::uint64_t expected = rows.empty() ? 1 : rows.back().last + 1;
  if (first != expected) {
    return problem("the rows of " + file + " do not follow each other: vector " +
                   std::to_string(first) + " where " + std::to_string(expected) + " was next");
  }
  rows.push_back({first, last, svfLine, std::string(parts[4])});
  return std::nullopt;
}

const MapFile::Row* MapFile::row(const std::string& fileName, std::uint64_t vector) const {
  auto file = files_.find(fileName);
  if (file == files_.end()) return nullptr;
  const std::vector<Row>& rows = file->second.rows;
  auto found = std::partition_point(rows.begin(), rows.end(),
                                    [vector](const Row& r) { return r.last < vector; });
  if (found == rows.end() || found->first > vector) return nullptr;
  return &*found;
}

const MapFile::WaitRow* MapFile::wait(const std::string& fileName, std::size_t index) const {
  auto file = files_.find(fileName);
  if (file == files_.end() || index >= file->second.waits.size()) return nullptr;
  return &file->second.waits[index];
}

std::string MapFile::source(std::uint64_t svfLine) const {
  return input_ + ":" + std::to_string(svfLine);
}

void MapCheck::fileBegin(std::size_t index, const std::string& name) {
  if (files_.size() <= index) files_.resize(index + 1);
  files_[index].name = mapFileName(name);
}

void MapCheck::wait(std::string_view, LineRef where) {
  files_[where.file].waits.push_back(where.vector);
}

void MapCheck::fileEnd(std::size_t index, std::uint64_t vectorLines) {
  files_[index].vectorLines = vectorLines;
}

std::optional<Problem> MapCheck::problem() const {
  auto problem = [this](std::string message) {
    return Problem{Place{map_.name_, 0}, std::move(message)};
  };
  const std::string another = ": the map is of another translation, or the set was changed";
  for (const std::string& name : map_.order_) {
    auto seen = std::find_if(files_.begin(), files_.end(),
                             [&name](const Seen& s) { return s.name == name; });
    if (seen == files_.end()) {
      return problem("the map names " + name + ", which is not in the set" + another +
                     " (or the set is incomplete)");
    }
  }
  for (const Seen& seen : files_) {
    auto file = map_.files_.find(seen.name);
    std::uint64_t mapped = 0;
    std::vector<std::uint64_t> waits;
    if (file != map_.files_.end()) {
      if (!file->second.rows.empty()) mapped = file->second.rows.back().last;
      for (const MapFile::WaitRow& w : file->second.waits) waits.push_back(w.after);
    }
    if (mapped != seen.vectorLines) {
      return problem(seen.name + " has " + std::to_string(seen.vectorLines) +
                     " vector lines, the map gives it " + std::to_string(mapped) + another);
    }
    if (waits != seen.waits) {
      return problem("the waits of " + seen.name + " are not where the map puts them" + another);
    }
  }
  if (map_.incomplete_) {
    return Problem{Place{map_.name_, map_.incompleteLine_},
                   "the map is marked incomplete: the translation stopped on an error, so the "
                   "set is incomplete too"};
  }
  return std::nullopt;
}

}  // namespace kestrix::replay
