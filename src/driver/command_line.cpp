#include "driver/command_line.h"

#include <getopt.h>

#include <cstdlib>

#include "translation/translation.h"

namespace kestrix {
namespace {

// The letters of the options, in getopt's form; the leading ":" reports a missing value apart.
constexpr const char* kOptionLetters = ":s:cmr";

// The arguments that follow the three file names.
constexpr std::size_t kFirstExtra = 4;

bool budgetInRange(std::int64_t maxVectors) {
  return maxVectors >= kMinMaxVectors && maxVectors <= kMaxMaxVectors;
}

void reportBudgetRange(const Options& options, Console& console) {
  if (budgetInRange(options.maxVectors)) return;
  console.print("Out of range (" + std::to_string(kMinMaxVectors) + " to " +
                std::to_string(kMaxMaxVectors) + "): " + std::to_string(kDefaultMaxVectors) +
                " is used.\n");
}

// After the scan getopt has moved the arguments that are not options, in their order, to the
// end of `argv` from `optind`; `copies` tells where each stood on the command line.
void reportExtraArguments(const std::vector<std::string>& copies, const std::vector<char*>& argv,
                          Console& console) {
  for (std::size_t at = static_cast<std::size_t>(optind); at + 1 < argv.size(); ++at) {
    for (std::size_t i = kFirstExtra; i < copies.size(); ++i) {
      if (argv[at] == copies[i].data()) {
        console.print("Extra argument " + copies[i] + " is ignored.\n");
        break;
      }
    }
  }
}

}  // namespace

Request findRequest(const std::vector<std::string>& args) {
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (args[i] == "--help") return Request::kHelp;
    if (args[i] == "--version") return Request::kVersion;
  }
  return Request::kTranslate;
}

void printVersion(Console& console) { console.print("kestrix " KESTRIX_VERSION "\n"); }

std::string inputPath(const std::string& inputFile) {
  // Opened by name like any pipe, so that restarts read it again from the copy kept of it.
  return inputFile == "-" ? "/dev/stdin" : inputFile;
}

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
  bool budgetGiven = false;
  int letter;
  while ((letter = getopt(static_cast<int>(args.size()), argv.data(), kOptionLetters)) != -1) {
    switch (letter) {
      case 'c':
        options.commentsOn = true;
        break;
      case 'm':
        options.vectorMapOn = true;
        break;
      case 'r':
        options.clockEveryRunCycle = true;
        break;
      case 's':
        options.maxVectors = std::strtol(optarg, nullptr, 10);
        console.print("Maximum vectors recieved are: " + std::to_string(options.maxVectors) + "\n");
        budgetGiven = true;
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
  if (budgetGiven) reportBudgetRange(options, console);
  if (options.clockEveryRunCycle) console.print("Every RUNTEST cycle is clocked.\n");
  reportExtraArguments(copies, argv, console);
}

void fixBudget(Options& options) {
  if (!budgetInRange(options.maxVectors)) options.maxVectors = kDefaultMaxVectors;
  options.splitThreshold = options.maxVectors - kSplitMargin;
}

}  // namespace kestrix
