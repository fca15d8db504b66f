#include <cstdio>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "replay/program.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kestrix::StdConsole console;
  kestrix::RealFileSystem files;
  int status = kestrix::replay::runReplay(args, console, files);
  // A listing or SVF program cut short must not pass for a whole one.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    std::fputs("kestrix-replay: cannot write standard output\n", stderr);
    return 1;
  }
  return status;
}
