#pragma once

#include <cstdint>

#include "core/tap_state.h"

namespace kestrix {

struct Translation;

// The cycles of a run to write in a file that holds `vectorCount` lines before the run must go
// on in the next file: a cycle is begun only while the file holds fewer than maxVectors - 64
// lines. All `left` when they fit; 0 when the next file must begin now; at least one in a file
// that the run itself began (`fileBegunByRun`), so that no pin block can hold a run up.
std::uint64_t runCyclesInFile(std::int64_t maxVectors, std::int64_t vectorCount, std::uint64_t left,
                              bool fileBegunByRun);

// `cycles` cycles in place in `state` (where the TAP stands), divided between files as the
// budget needs: each file but the last ends within maxVectors lines, and the next begins with
// its head and pin block and no move, the TAP resting in `state`. Notes the run in
// Translation::statementRuns for the count log. Never restarts the translation.
void clockRun(Translation& t, TapState state, std::uint64_t cycles);

}  // namespace kestrix
