#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

struct Translation;

// What the reader keeps between statements: the physical line last read and, when a ";"
// ended a statement before its end, where the rest of that line begins.
struct ReaderState {
  std::string line;
  std::size_t restPosition = std::string::npos;
  // The physical line (from 1) where the statement last read, or the one being collected,
  // begins: its first line that is neither a comment nor blank; 0 before any.
  std::uint64_t statementLine = 0;
};

// The next SVF statement, its lines joined and without its ";", into `statement` (cleared
// first). Comment and blank lines, and with -c every line, are copied into the current PCF
// file. False at the end of the input; an unfinished statement there is dropped.
bool readStatement(Translation& t, std::string& statement);

bool isCommentLine(std::string_view line);
bool isBlankLine(std::string_view line);

}  // namespace kestrix
