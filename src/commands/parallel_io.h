#pragma once

#include <string_view>

#include "translation/pass_state.h"

namespace kestrix {

struct Translation;

void definePioMap(Translation& t, std::string_view value);
void setPioPattern(Translation& t, std::string_view value);
// The cycle of a PIO statement without SDR or SIR: one cycle in place.
void executePio(Translation& t);
// Once a PIO statement's pattern is in force, before the first of its lines: the pin order
// Parallel, whose columns those lines carry (counted as a line).
void selectParallelOrder(Translation& t);

}  // namespace kestrix
