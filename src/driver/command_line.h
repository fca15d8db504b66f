#pragma once

#include <string>
#include <vector>

#include "core/console.h"

namespace kestrix {

struct Options;

// The usage text, shown when fewer than three file names are given.
void printUsage(Console& console, const std::string& programName);

// Scans the options -c and -s (option string "s:c", GNU permutation, "--", POSIXLY_CORRECT)
// into `options`, printing each -s value as it is read and the scanner's diagnostics.
void readOptions(const std::vector<std::string>& args, Options& options, Console& console);

// The budget in force: -s values outside the accepted range give the default.
void fixBudget(Options& options);

}  // namespace kestrix
