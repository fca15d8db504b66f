#pragma once

#include <string>
#include <vector>

#include "core/console.h"

namespace kestrix {

struct Options;

// The usage text, shown when fewer than three file names are given.
void printUsage(Console& console, const std::string& programName);

// Scans the options -c, -s and -r (option string "s:cr", GNU permutation, "--", POSIXLY_CORRECT)
// into `options`, printing each -s value as it is read, the scanner's diagnostics, and last
// the line that says -r is in force.
void readOptions(const std::vector<std::string>& args, Options& options, Console& console);

// The budget in force: -s values outside the accepted range give the default.
void fixBudget(Options& options);

}  // namespace kestrix
