#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  kestrix::StdConsole console;
  kestrix::RealFileSystem files;
  return kestrix::runTranslation(args, console, files);
}
