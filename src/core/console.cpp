#include "core/console.h"

#include <cstdio>

namespace kestrix {

StdConsole::~StdConsole() { std::fflush(stdout); }

void StdConsole::print(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void StdConsole::printError(std::string_view text) {
  std::fflush(stdout);
  std::fwrite(text.data(), 1, text.size(), stderr);
}

}  // namespace kestrix
