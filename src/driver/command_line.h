#pragma once

#include <string>
#include <vector>

#include "core/console.h"

namespace kestrix {

struct Options;

// What a run is asked to do: --help and --version end it at once, with status 0.
enum class Request { kTranslate, kHelp, kVersion };

// The first --help or --version before a "--", else a translation.
Request findRequest(const std::vector<std::string>& args);

// The usage text, shown for --help and when fewer than three file names are given.
void printUsage(Console& console, const std::string& programName);

// "kestrix 1.0".
void printVersion(Console& console);

// The name to open for the input file name given: "-" is the standard input.
std::string inputPath(const std::string& inputFile);

// Scans the options -c, -m, -r and -s (GNU permutation, "--", POSIXLY_CORRECT) into `options`,
// printing each -s value as it is read and the scanner's diagnostics; then tells when the
// budget given is out of range and names every argument after the three file names that is
// not an option (it is ignored), and last the line that says -r is in force.
void readOptions(const std::vector<std::string>& args, Options& options, Console& console);

// The budget in force: -s values outside the accepted range give the default.
void fixBudget(Options& options);

}  // namespace kestrix
