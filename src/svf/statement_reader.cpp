#include "svf/statement_reader.h"

#include <algorithm>

#include "core/blank.h"

namespace kestrix {
namespace {

char upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool endsWithOneOf(std::string_view text, std::string_view letters) {
  return !text.empty() && letters.find(upper(text.back())) != std::string_view::npos;
}

bool beginsWithPiom(std::string_view text) {
  if (text.size() < 4) return false;
  return upper(text[0]) == 'P' && upper(text[1]) == 'I' && upper(text[2]) == 'O' &&
         upper(text[3]) == 'M';
}

// A space after the line keeps a keyword apart from what follows; hex digits get none.
bool spaceAfter(std::string_view line, std::string_view collected) {
  if (endsWithOneOf(line, "IKOPRT")) return true;
  if (line.size() >= 2 && upper(line.back()) == 'E' && upper(line[line.size() - 2]) == 'T') {
    return true;
  }
  return beginsWithPiom(collected) || beginsWithPiom(line);
}

// A space before a continuation line that begins with a keyword.
bool spaceBefore(std::string_view line) {
  if (line.empty()) return false;
  char first = upper(line[0]);
  char second = line.size() > 1 ? upper(line[1]) : '\0';
  switch (first) {
    case 'H':
    case 'M':
    case 'P':
    case 'R':
    case 'S':
    case 'T':
      return true;
    case 'D':
      return second == 'R';
    case 'E':
      return second == 'N';
    default:
      return false;
  }
}

std::string_view trimTrailingBlanks(std::string_view text) {
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

void appendLine(std::string& statement, std::string_view text) {
  bool after = spaceAfter(text, statement);
  if (!statement.empty() && spaceBefore(text)) statement += ' ';
  statement.append(text);
  if (after) statement += ' ';
}

}  // namespace

// The next line to classify: the rest of the last physical line after a ";", or a new
// physical line. False at the end of the input or on a read error.
bool StatementReader::nextLine(std::string_view& line, bool& fromRest) {
  if (state_.restPosition != std::string::npos) {
    line = std::string_view(state_.line).substr(state_.restPosition);
    state_.restPosition = std::string::npos;
    fromRest = true;
    return true;
  }
  fromRest = false;
  if (lines_.next(state_.line)) {
    // UTF-16 text holds a NUL byte beside every character: nothing of it may be read as SVF.
    if (lines_.utf16()) {
      utf16_ = true;
      return false;
    }
    line = state_.line;
    return true;
  }
  readFailed_ = lines_.failed();
  return false;
}

// Lines echoed into the PCF file always end there with a line end of their own, so that
// nothing written after the last line of an input without a final newline joins it.
void StatementReader::echoLine(std::string_view line) {
  echo_.write(line);
  if (line.empty() || line.back() != '\n') echo_.write("\n");
}

// The statement text of one line: leading blanks, the ";" and everything after it, comments
// and trailing blanks removed. Sets `complete` when a ";" ended the statement.
std::string_view StatementReader::statementText(std::string_view line, std::size_t lineOffset,
                                                bool& complete) {
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  std::string_view text = line.substr(start);
  std::size_t semicolon = text.find(';');
  complete = semicolon != std::string_view::npos;
  if (complete) {
    std::size_t keep = scanFrequencyDirective(frequency_, console_, text.substr(0, semicolon + 1));
    state_.restPosition = lineOffset + start + semicolon + 1;
    return trimTrailingBlanks(text.substr(0, std::min(keep, semicolon)));
  }
  text = text.substr(0, scanFrequencyDirective(frequency_, console_, text));
  std::size_t comment = text.find('!');
  if (comment == std::string_view::npos) comment = text.find("//");
  if (comment != std::string_view::npos) {
    std::size_t keep = scanFrequencyDirective(frequency_, console_, text);
    text = text.substr(0, std::min(keep, comment));
  }
  return trimTrailingBlanks(text);
}

bool isCommentLine(std::string_view line) {
  std::size_t first = 0;
  while (first < line.size() && isBlank(line[first])) ++first;
  if (first == line.size()) return false;
  return line[first] == '!' || line.substr(first, 2) == "//";
}

bool isBlankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), isBlank); }

ReadResult StatementReader::read(std::string& statement) {
  statement.clear();
  std::string_view line;
  bool fromRest = false;
  bool begun = false;
  while (nextLine(line, fromRest)) {
    // A rest after a ";" was echoed with its physical line already.
    bool echo = !fromRest;
    bool comment = isCommentLine(line);
    if (comment || isBlankLine(line)) {
      if (echo) {
        if (commentsOn_) echo_.write("! ");
        echoLine(line);
      }
      if (comment) scanFrequencyDirective(frequency_, console_, line);
      continue;
    }
    if (echo && commentsOn_) {
      echo_.write("! ");
      echoLine(line);
    }
    // A rest after a ";" stands on the physical line just read, whose number the reader holds.
    if (!begun) state_.statementLine = lines_.lineNumber();
    begun = true;
    std::size_t offset = static_cast<std::size_t>(line.data() - state_.line.data());
    bool complete = false;
    appendLine(statement, statementText(line, offset, complete));
    if (complete) return ReadResult::kStatement;
  }
  if (utf16_) return ReadResult::kUtf16;
  return readFailed_ ? ReadResult::kReadError : ReadResult::kEnd;
}

}  // namespace kestrix
