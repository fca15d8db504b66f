#pragma once

#include <string_view>

namespace kestrix {

struct Translation;

// Dispatches every keyword/value pair of `statement` to its handler, then runs the SDR, SIR and
// PIO commands it collected, in statement order.
void translateStatement(Translation& t, std::string_view statement);

// Runs the collected commands (framed by the Parallel and Scan orders when the statement held
// a PIO) and clears the per-statement state.
void executeStatement(Translation& t);

}  // namespace kestrix
