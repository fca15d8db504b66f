#include "driver/command_line.h"

#include <getopt.h>

#include <cstdlib>

#include "translation/translation.h"

namespace kestrix {

void printUsage(Console& console, const std::string& programName) {
  const std::string stars(48, '*');
  std::string text = "\n\n       " + stars + "\n";
  text += "       *         KESTRIX SVF to PCF Translator        *\n";
  text += "       " + stars + "\n\n";
  text += "The source and destination file must be entered.\n";
  text += "A \"-c\" will turn the comments on.  A \"-s\" followed by\n";
  text += "an integer specifies the maximum vectors per file.\n";
  text += "The default number of maximum vectors is " + std::to_string(kDefaultMaxVectors) +
          " vectors per .pcf file.\n\n";
  text += "The following example is for comments off and max vectors = 150000:\n\n";
  text += programName + " <inputFile> <headerFile> <outputFile> -s 150000\n\n";
  text += "The following example is for comments on and max vectors = 75000:\n\n";
  text += programName + " <inputFile> <headerFile> <outputFile> -c -s 75000\n\n";
  console.print(text);
}

void readOptions(const std::vector<std::string>& args, Options& options, Console& console) {
  // getopt permutes its argument vector, so it gets copies.
  std::vector<std::string> copies(args);
  std::vector<char*> argv;
  for (std::string& arg : copies) argv.push_back(arg.data());
  argv.push_back(nullptr);
  const std::string& program = args[0];
  // optind 0 makes glibc start afresh (and look at POSIXLY_CORRECT again) for every run.
  optind = 0;
  opterr = 0;
  options.commentsOn = false;
  int letter;
  while ((letter = getopt(static_cast<int>(args.size()), argv.data(), ":s:c")) != -1) {
    switch (letter) {
      case 'c':
        options.commentsOn = true;
        break;
      case 's':
        options.maxVectors = std::strtol(optarg, nullptr, 10);
        console.print("Maximum vectors recieved are: " + std::to_string(options.maxVectors) + "\n");
        break;
      case ':':
        console.printError(program + ": option requires an argument -- " +
                           static_cast<char>(optopt) + "\n");
        break;
      default:
        console.printError(program + ": illegal option -- " + static_cast<char>(optopt) + "\n");
        break;
    }
  }
}

void fixBudget(Options& options) {
  if (options.maxVectors < kMinMaxVectors || options.maxVectors > kMaxMaxVectors) {
    options.maxVectors = kDefaultMaxVectors;
  }
  options.splitThreshold = options.maxVectors - kSplitMargin;
}

}  // namespace kestrix
