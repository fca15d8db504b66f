#include "svf/statement_reader.h"

#include <algorithm>

#include "driver/messages.h"
#include "driver/translation.h"
#include "svf/blank.h"

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

// The next line to classify: the rest of the last physical line after a ";", or a new
// physical line. False at the end of the input.
bool nextLine(Translation& t, std::string_view& line, bool& fromRest) {
  ReaderState& reader = t.pass.reader;
  if (reader.restPosition != std::string::npos) {
    line = std::string_view(reader.line).substr(reader.restPosition);
    reader.restPosition = std::string::npos;
    fromRest = true;
    return true;
  }
  fromRest = false;
  if (t.lines.next(reader.line)) {
    line = reader.line;
    return true;
  }
  if (t.lines.failed()) fail(t, "Cannot open input file " + t.options.inputFile + "!\n");
  return false;
}

// Lines echoed into the PCF file always end there with a line end of their own, so that
// nothing written after the last line of an input without a final newline joins it.
void echoLine(Translation& t, std::string_view line) {
  t.output->write(line);
  if (line.empty() || line.back() != '\n') t.output->write("\n");
}

// The statement text of one line: leading blanks, the ";" and everything after it, comments
// and trailing blanks removed. Sets `complete` when a ";" ended the statement.
std::string_view statementText(Translation& t, std::string_view line, std::size_t lineOffset,
                               bool& complete) {
  std::size_t start = 0;
  while (start < line.size() && isBlank(line[start])) ++start;
  std::string_view text = line.substr(start);
  std::size_t semicolon = text.find(';');
  complete = semicolon != std::string_view::npos;
  FrequencyState& frequency = t.pass.frequency;
  if (complete) {
    std::size_t keep = scanFrequencyDirective(frequency, t.console, text.substr(0, semicolon + 1));
    t.pass.reader.restPosition = lineOffset + start + semicolon + 1;
    return trimTrailingBlanks(text.substr(0, std::min(keep, semicolon)));
  }
  text = text.substr(0, scanFrequencyDirective(frequency, t.console, text));
  std::size_t comment = text.find('!');
  if (comment == std::string_view::npos) comment = text.find("//");
  if (comment != std::string_view::npos) {
    std::size_t keep = scanFrequencyDirective(frequency, t.console, text);
    text = text.substr(0, std::min(keep, comment));
  }
  return trimTrailingBlanks(text);
}

void appendLine(std::string& statement, std::string_view text) {
  bool after = spaceAfter(text, statement);
  if (!statement.empty() && spaceBefore(text)) statement += ' ';
  statement.append(text);
  if (after) statement += ' ';
}

// A file cut short (a failed copy, a truncated download) ends inside a statement; a file of
// comments only, or the header file given as the input, holds none.
void endOfInput(Translation& t, std::string_view statement) {
  if (!statement.empty()) {
    failQuoting(t, "\nThe input file ends inside a statement!\n", statement);
  }
  if (!t.pass.reader.statementSeen) {
    fail(t, "\nThe input file " + t.options.inputFile + " holds no SVF statement!\n");
  }
}

}  // namespace

bool isCommentLine(std::string_view line) {
  std::size_t first = 0;
  while (first < line.size() && isBlank(line[first])) ++first;
  if (first == line.size()) return false;
  return line[first] == '!' || line.substr(first, 2) == "//";
}

bool isBlankLine(std::string_view line) { return std::all_of(line.begin(), line.end(), isBlank); }

bool readStatement(Translation& t, std::string& statement) {
  statement.clear();
  const bool commentsOn = t.options.commentsOn;
  std::string_view line;
  bool fromRest = false;
  while (nextLine(t, line, fromRest)) {
    // A rest after a ";" was echoed with its physical line already.
    bool echo = !fromRest;
    bool comment = isCommentLine(line);
    if (comment || isBlankLine(line)) {
      if (echo) {
        if (commentsOn) t.output->write("! ");
        echoLine(t, line);
      }
      if (comment) scanFrequencyDirective(t.pass.frequency, t.console, line);
      continue;
    }
    if (echo && commentsOn) {
      t.output->write("! ");
      echoLine(t, line);
    }
    std::size_t offset = static_cast<std::size_t>(line.data() - t.pass.reader.line.data());
    bool complete = false;
    appendLine(statement, statementText(t, line, offset, complete));
    if (complete) {
      if (!statement.empty()) t.pass.reader.statementSeen = true;
      return true;
    }
  }
  endOfInput(t, statement);
  return false;
}

}  // namespace kestrix
