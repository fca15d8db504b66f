#include "driver/messages.h"

#include <string>

#include "driver/fatal.h"
#include "driver/translation.h"

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

void fail(Translation& t, std::string_view message) {
  t.console.print(message);
  abortTranslation();
}

}  // namespace kestrix
