#include "translation/messages.h"

#include <string>

#include "core/fatal.h"
#include "translation/translation.h"

namespace kestrix {

void failStatement(Translation& t, std::string_view message) {
  std::string text(message);
  text += "COMMAND LINE WAS: ";
  text += t.lastCommandLine;
  text += '\n';
  fail(t, text);
}

void failWithLastLine(Translation& t, std::string_view message) {
  std::string text(message);
  text += "The last line read from input file was : \n\n   ";
  text += t.lastCommandLine;
  text += " \n\n";
  fail(t, text);
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

void failQuoting(Translation& t, std::string_view message, std::string_view statement) {
  std::string text(message);
  text += "COMMAND LINE WAS: ";
  text += shortenedStatement(statement);
  text += '\n';
  fail(t, text);
}

void fail(Translation& t, std::string_view message) {
  t.console.print(message);
  abortTranslation();
}

}  // namespace kestrix
