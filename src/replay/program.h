#pragma once

#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"

namespace kestrix::replay {

// One run of kestrix-replay: `args` as the command line gives them (program name first).
// Returns the exit status: 0 when the set replays without a problem and everything asked for
// was written, 1 otherwise.
int runReplay(const std::vector<std::string>& args, Console& console, FileSystem& files);

}  // namespace kestrix::replay
