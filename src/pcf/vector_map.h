#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/io.h"

namespace kestrix {

// The map from vector lines to SVF lines that option -m writes beside the PCF files,
// <dir><stem>.map, a text file with a tab between fields:
//   "# kestrix map 1\t<input name>"
//   "file\tfirst_vector\tlast_vector\tsvf_line\tstatement"
//   one row per statement and PCF file in which the statement writes vector lines: the file's
//   name without directory, the first and last of those vector lines (counted from 1 in each
//   file over the lines that begin with a double quote), the physical SVF line where the
//   statement begins and its first 60 characters (blanks of any kind as spaces, none at the
//   end);
//   "# wait\t<file>\t<vector lines before it>\t<svf_line>\t<statement>" for each wait block,
//   which holds no vector line (after the row of its statement in that file);
//   "# incomplete" last when the translation stopped on an error.
// Rows are written as they are known, a block at a time; only the pass that writes the PCF
// files writes the map, and a restart of such a pass begins it again.
class VectorMap {
 public:
  static constexpr std::size_t kStatementText = 60;

  bool on() const { return sink_ != nullptr; }
  const std::string& name() const { return name_; }
  // Starts the map in `sink` with its two head lines.
  void start(std::unique_ptr<ByteSink> sink, std::string name, std::string_view inputName);
  // PCF file `fileName` begins, with no vector line yet.
  void fileBegins(std::string fileName);
  // A statement begins at SVF line `line` when its file holds `vectorLines` vector lines.
  void statementBegins(std::uint64_t line, std::string_view text, std::int64_t vectorLines);
  // The statement's vector lines in the current file end at `vectorLines`: its row, if it
  // wrote any there. A statement that goes on in the next file begins there from 0.
  void segmentEnds(std::int64_t vectorLines);
  // A wait block after `vectorLines` vector lines of the current file.
  void wait(std::int64_t vectorLines);
  // Writes what is held and closes the map; false when a write or the close failed.
  bool finish();
  // After a fatal stop: the row of the statement in progress, "# incomplete", close.
  void abandon(std::int64_t vectorLines);

  // False once a write failed.
  bool ok() const { return ok_; }

 private:
  void put(std::string_view text);
  void flush();
  std::string row(std::string_view prefix, std::int64_t first, std::int64_t last, bool range) const;

  std::unique_ptr<ByteSink> sink_;
  std::string name_;
  std::string buffer_;
  std::string fileName_;
  std::string statement_;
  // The wait lines of the statement in progress, written after its row in their file.
  std::string waits_;
  std::uint64_t line_ = 0;
  std::int64_t segmentStart_ = 0;
  bool inStatement_ = false;
  bool ok_ = true;
};

}  // namespace kestrix
