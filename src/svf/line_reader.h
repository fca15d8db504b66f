#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/io.h"

namespace kestrix {

// Splits a byte source into physical lines of any length. Each input byte is looked at once.
// A UTF-8 byte-order mark at the very start of the input is no part of its first line.
class LineReader {
 public:
  static constexpr std::size_t kChunkSize = 1 << 16;

  void attach(ByteSource* source);
  // The next physical line, its newline included when it has one; false at the end of the
  // input or on a read error (see failed()).
  bool next(std::string& line);
  bool failed() const { return failed_; }
  // The input begins with a UTF-16 byte-order mark (FF FE or FE FF).
  bool utf16() const { return utf16_; }
  // Starts again at the beginning of the input; false when the source cannot rewind.
  bool rewind();
  // The number of input bytes delivered so far.
  std::uint64_t offset() const { return chunkOffset_ + position_; }
  // The physical line last delivered, from 1; 0 before the first. Only a line feed ends a
  // line (so a CRLF ends one line and a lone carriage return is a blank inside its line), as
  // editors, grep -n and sed count; the byte-order mark is no line of its own.
  std::uint64_t lineNumber() const { return lineNumber_; }
  // Starts again at `offset` (an earlier offset()), reading past the bytes before it, with
  // `lineNumber` the lineNumber() of that place; false when the source cannot rewind or read
  // them.
  bool seek(std::uint64_t offset, std::uint64_t lineNumber);

 private:
  bool refill();
  void skipByteOrderMark();

  ByteSource* source_ = nullptr;
  std::vector<char> chunk_ = std::vector<char>(kChunkSize);
  // Where the chunk begins in the input.
  std::uint64_t chunkOffset_ = 0;
  std::size_t position_ = 0;
  std::size_t end_ = 0;
  std::uint64_t lineNumber_ = 0;
  bool atEnd_ = false;
  bool failed_ = false;
  // Nothing read yet since the input was attached or rewound.
  bool atStart_ = true;
  bool utf16_ = false;
};

}  // namespace kestrix
