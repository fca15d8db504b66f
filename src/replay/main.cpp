#include <string>
#include <vector>

#include "driver/console.h"
#include "driver/io.h"
#include "replay/program.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kestrix::StdConsole console;
  kestrix::RealFileSystem files;
  return kestrix::replay::runReplay(args, console, files);
}
