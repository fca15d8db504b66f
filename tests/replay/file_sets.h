#pragma once

// The PCF file sets the repository holds: each end-to-end case's expected files and each
// shipped example's, read from the source tree.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace kestrix::replay::testing {

using FileSet = std::vector<std::pair<std::string, std::string>>;

struct NamedSet {
  std::string name;  // "e2e/<case>" or "examples/<stem>"
  std::filesystem::path folder;
  FileSet files;    // in the order of their numbers
  bool successful;  // the run that made them reported success
};

inline std::string readWhole(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

inline bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "board12.pcf" -> ("board", 12); a name of another form gives a number of 0.
inline std::pair<std::string, int> stemAndNumber(const std::string& name) {
  if (!endsWith(name, ".pcf")) return {name, 0};
  std::string base = name.substr(0, name.size() - 4);
  std::size_t digits = base.find_last_not_of("0123456789") + 1;
  if (digits == base.size()) return {name, 0};
  return {base.substr(0, digits), std::stoi(base.substr(digits))};
}

// The sets of PCF files in `folder`, one per stem, files ordered by number.
inline std::map<std::string, FileSet> setsIn(const std::filesystem::path& folder) {
  std::map<std::string, std::map<int, std::filesystem::path>> byStem;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    auto [stem, number] = stemAndNumber(entry.path().filename().string());
    if (number > 0) byStem[stem][number] = entry.path();
  }
  std::map<std::string, FileSet> sets;
  for (const auto& [stem, files] : byStem) {
    for (const auto& [number, path] : files) {
      sets[stem].emplace_back(path.filename().string(), readWhole(path));
    }
  }
  return sets;
}

inline std::vector<NamedSet> repositorySets(const std::filesystem::path& root) {
  std::vector<NamedSet> found;
  std::vector<std::filesystem::path> cases;
  for (const auto& entry : std::filesystem::directory_iterator(root / "tests/e2e")) {
    if (std::filesystem::is_directory(entry.path() / "expected/files"))
      cases.push_back(entry.path());
  }
  std::sort(cases.begin(), cases.end());
  for (const auto& folder : cases) {
    std::string console = readWhole(folder / "expected/stdout");
    bool successful = console.find("Translation Successful") != std::string::npos;
    for (auto& [stem, files] : setsIn(folder / "expected/files")) {
      found.push_back({"e2e/" + folder.filename().string(), folder, std::move(files), successful});
    }
  }
  for (auto& [stem, files] : setsIn(root / "examples/expected")) {
    found.push_back({"examples/" + stem, root / "examples", std::move(files), true});
  }
  return found;
}

}  // namespace kestrix::replay::testing
