#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/io.h"
#include "replay/cycle.h"
#include "replay/replay.h"

namespace kestrix::replay {

// The vector map that `kestrix -m` writes beside a set (<dir><stem>.map): for every statement
// and PCF file the vector lines it wrote there and the SVF line where it begins, and for every
// wait block the vector lines before it. Read whole (a few dozen bytes per statement), then
// checked against the set the replay read.
class MapFile {
 public:
  struct Row {
    std::uint64_t first = 0;
    std::uint64_t last = 0;
    std::uint64_t svfLine = 0;
    std::string statement;
  };
  struct WaitRow {
    std::uint64_t after = 0;
    std::uint64_t svfLine = 0;
    std::string statement;
  };

  // Reads the map at `path`; a problem when it cannot be read or is no kestrix map.
  std::optional<Problem> read(FileSystem& files, const std::string& path);

  const std::string& name() const { return name_; }
  // The input name the translation was given.
  const std::string& input() const { return input_; }
  // The row that holds vector line `vector` of the file named `fileName` (no directory).
  const Row* row(const std::string& fileName, std::uint64_t vector) const;
  // The `index`-th wait (from 0) of that file.
  const WaitRow* wait(const std::string& fileName, std::size_t index) const;
  // "<input>:<svf line>"
  std::string source(std::uint64_t svfLine) const;

 private:
  struct File {
    std::vector<Row> rows;
    std::vector<WaitRow> waits;
  };
  friend class MapCheck;
  std::optional<Problem> readLine(std::string_view text, std::uint64_t line);

  std::string name_;
  std::string input_;
  bool incomplete_ = false;
  std::uint64_t incompleteLine_ = 0;
  bool columnsSeen_ = false;
  std::map<std::string, File> files_;
  // The files in the order in which the map names them.
  std::vector<std::string> order_;
};

// A PCF file's name without its directory part, as the map names it.
std::string mapFileName(std::string_view path);

// Listens to the replay of a set and compares it with its map: the files the map names, the
// vector lines of every file, the places of the waits, and whether the map is complete.
class MapCheck final : public CycleListener {
 public:
  explicit MapCheck(const MapFile& map) : map_(map) {}
  void cycle(const Cycle&) override {}
  void fileBegin(std::size_t index, const std::string& name) override;
  void wait(std::string_view amount, LineRef where) override;
  void fileEnd(std::size_t index, std::uint64_t vectorLines) override;

  // After a replay without a problem: the first way in which the map and the set differ.
  std::optional<Problem> problem() const;

 private:
  struct Seen {
    std::string name;
    std::uint64_t vectorLines = 0;
    std::vector<std::uint64_t> waits;
  };
  const MapFile& map_;
  std::vector<Seen> files_;
};

}  // namespace kestrix::replay
