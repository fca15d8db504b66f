#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/console.h"
#include "svf/frequency_directive.h"
#include "svf/line_reader.h"

namespace kestrix {

// What the reader keeps between statements: the physical line last read and, when a ";"
// ended a statement before its end, where the rest of that line begins.
struct ReaderState {
  std::string line;
  std::size_t restPosition = std::string::npos;
  // The physical line (from 1) where the statement last read, or the one being collected,
  // begins: its first line that is neither a comment nor blank; 0 before any.
  std::uint64_t statementLine = 0;
  // A statement with text of its own has been read in this pass.
  bool statementSeen = false;
};

// Where the reader copies the lines it echoes (the current PCF file).
class TextSink {
 public:
  virtual ~TextSink() = default;
  virtual void write(std::string_view text) = 0;
};

enum class ReadResult : std::uint8_t {
  kStatement,
  // The input ended; the statement holds what was collected of an unfinished one (if any).
  kEnd,
  // The input could not be read: the caller reports it.
  kReadError,
  // The input is UTF-16 text: the caller reports it.
  kUtf16,
};

// Reads SVF statements from the physical lines of the input. Comment and blank lines, and with
// comments on every line, are echoed; frequency directives in them are picked up. The reader
// keeps nothing of its own: it works on the state it is given, which lasts between calls.
class StatementReader {
 public:
  StatementReader(LineReader& lines, ReaderState& state, FrequencyState& frequency,
                  Console& console, TextSink& echo, bool commentsOn)
      : lines_(lines),
        state_(state),
        frequency_(frequency),
        console_(console),
        echo_(echo),
        commentsOn_(commentsOn) {}

  // The next statement, its lines joined and without its ";", into `statement` (cleared
  // first).
  ReadResult read(std::string& statement);

 private:
  bool nextLine(std::string_view& line, bool& fromRest);
  void echoLine(std::string_view line);
  std::string_view statementText(std::string_view line, std::size_t lineOffset, bool& complete);

  LineReader& lines_;
  ReaderState& state_;
  FrequencyState& frequency_;
  Console& console_;
  TextSink& echo_;
  bool commentsOn_;
  bool readFailed_ = false;
  bool utf16_ = false;
};

bool isCommentLine(std::string_view line);
bool isBlankLine(std::string_view line);

}  // namespace kestrix
