#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrix {

struct Translation;

// What the reader keeps between statements: the physical line last read and, when a ";"
// ended a statement before its end, where the rest of that line begins.
struct ReaderState {
  std::string line;
  std::size_t restPosition = std::string::npos;
  // A statement with text of its own has been read in this pass.
  bool statementSeen = false;
};

// The next SVF statement, its lines joined and without its ";", into `statement` (cleared
// first). Comment and blank lines, and with -c every line, are copied into the current PCF
// file. False at the end of the input. An input that ends inside a statement, or that held no
// statement with any text, stops the run: a set cut short must not pass for a whole one.
bool readStatement(Translation& t, std::string& statement);

bool isCommentLine(std::string_view line);
bool isBlankLine(std::string_view line);

}  // namespace kestrix
