#pragma once

#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"

namespace kestrix {

// One whole run of the program: `args` as the command line gives them (program name first).
// Returns the exit status, which is 1 in every case, a successful translation included.
// `plainRestarts` makes every pass write its files, the straightforward way (for tests, which
// compare the two ways).
int runTranslation(const std::vector<std::string>& args, Console& console, FileSystem& files,
                   bool plainRestarts = false);

}  // namespace kestrix
