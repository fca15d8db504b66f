#include "pcf/vector_map.h"

#include "core/blank.h"

namespace kestrix {
namespace {

constexpr std::size_t kBlock = 1 << 16;

// The statement as a row quotes it: its first 60 characters (never half a UTF-8 character),
// tabs and the other blanks as spaces, so that it stays one field of one line.
std::string rowText(std::string_view statement) {
  std::size_t size = statement.size();
  if (size > VectorMap::kStatementText) {
    size = VectorMap::kStatementText;
    while (size > 0 && (static_cast<unsigned char>(statement[size]) & 0xC0) == 0x80) --size;
  }
  std::string text(statement.substr(0, size));
  for (char& c : text) {
    if (isBlank(c)) c = ' ';
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

void VectorMap::start(std::unique_ptr<ByteSink> sink, std::string name,
                      std::string_view inputName) {
  sink_ = std::move(sink);
  name_ = std::move(name);
  buffer_.clear();
  fileName_.clear();
  waits_.clear();
  inStatement_ = false;
  ok_ = true;
  put("# kestrix map 1\t");
  // The input name as given; a tab or line end in it would break the line.
  std::string input(inputName);
  for (char& c : input) {
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  }
  put(input);
  put("\nfile\tfirst_vector\tlast_vector\tsvf_line\tstatement\n");
}

void VectorMap::fileBegins(std::string fileName) {
  fileName_ = std::move(fileName);
  segmentStart_ = 0;
}

void VectorMap::statementBegins(std::uint64_t line, std::string_view text,
                                std::int64_t vectorLines) {
  line_ = line;
  statement_ = rowText(text);
  segmentStart_ = vectorLines;
  inStatement_ = true;
}

void VectorMap::segmentEnds(std::int64_t vectorLines) {
  if (!inStatement_) return;
  if (vectorLines > segmentStart_) put(row({}, segmentStart_ + 1, vectorLines, true));
  // The waits of the statement follow its row.
  put(waits_);
  waits_.clear();
  segmentStart_ = vectorLines;
}

void VectorMap::wait(std::int64_t vectorLines) {
  if (inStatement_) waits_ += row("# wait\t", vectorLines, 0, false);
}

std::string VectorMap::row(std::string_view prefix, std::int64_t first, std::int64_t last,
                           bool range) const {
  std::string text(prefix);
  text += fileName_;
  text += '\t';
  text += std::to_string(first);
  if (range) {
    text += '\t';
    text += std::to_string(last);
  }
  text += '\t';
  text += std::to_string(line_);
  text += '\t';
  text += statement_;
  text += '\n';
  return text;
}

void VectorMap::put(std::string_view text) {
  buffer_.append(text);
  if (buffer_.size() >= kBlock) flush();
}

void VectorMap::flush() {
  if (ok_ && !buffer_.empty() && !sink_->write(buffer_)) ok_ = false;
  buffer_.clear();
}

bool VectorMap::finish() {
  flush();
  bool closed = sink_->close();
  sink_.reset();
  ok_ = ok_ && closed;
  return ok_;
}

void VectorMap::abandon(std::int64_t vectorLines) {
  segmentEnds(vectorLines);
  put("# incomplete\n");
  finish();
}

}  // namespace kestrix
