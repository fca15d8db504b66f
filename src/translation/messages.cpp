#include "translation/messages.h"

#include <string>

#include "core/fatal.h"
#include "translation/translation.h"

namespace kestrix {

std::string statementPlace(const Translation& t, std::uint64_t line) {
  return "In " + t.options.inputFile + " at line " + std::to_string(line) + ".\n";
}

void failStatement(Translation& t, std::string_view message) {
  std::string text(message);
  text += "COMMAND LINE WAS: ";
  text += t.lastCommandLine;
  text += '\n';
  failInStatement(t, text);
}

void failWithLastLine(Translation& t, std::string_view message) {
  std::string text(message);
  text += "The last line read from input file was : \n\n   ";
  text += t.lastCommandLine;
  text += " \n\n";
  failInStatement(t, text);
}

void failInStatement(Translation& t, std::string_view message) {
  failAtLine(t, message, t.lastCommandLineNumber);
}

namespace {

// The place stands on a line of its own, also after a message without a line end.
std::string withPlace(const Translation& t, std::string_view message, std::uint64_t line) {
  std::string text(message);
  if (!text.empty() && text.back() != '\n') text += '\n';
  return text + statementPlace(t, line);
}

}  // namespace

void failAtLine(Translation& t, std::string_view message, std::uint64_t line) {
  fail(t, withPlace(t, message, line));
}

void reportStatement(Translation& t, std::string_view message) {
  t.console.print(withPlace(t, message, t.lastCommandLineNumber));
}

std::string shortenedStatement(std::string_view statement) {
  constexpr std::size_t kQuoted = 256;
  if (statement.size() <= kQuoted) return std::string(statement);
  std::string text(statement.substr(0, kQuoted));
  text += "... (";
  text += std::to_string(statement.size());
  text += " characters)";
  return text;
}

void failQuoting(Translation& t, std::string_view message, std::string_view statement,
                 std::uint64_t line) {
  std::string text(message);
  text += "COMMAND LINE WAS: ";
  text += shortenedStatement(statement);
  text += '\n';
  failAtLine(t, text, line);
}

void fail(Translation& t, std::string_view message) {
  t.console.print(message);
  abortTranslation();
}

}  // namespace kestrix
