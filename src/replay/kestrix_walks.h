#pragma once

// What kestrix writes for the statements the SVF writer uses, as the states its cycles enter:
// the walks of SDR and SIR into their shift state and out of Exit1, and the fixed walks of STATE
// and RUNTEST between stable states, all taken from the translator's own table of SVF paths.
// And walks through the replay's own table.

#include <span>
#include <vector>

#include "replay/replay.h"

namespace kestrix::replay {

// The end states the writer gives ENDDR, ENDIR and RUNTEST.
inline constexpr State kEndStates[] = {State::IDLE, State::DRPAUSE, State::IRPAUSE, State::RESET};

// SDR (`ir` false) or SIR from a stable state into its shift state; empty from other states.
std::span<const State> entryWalk(bool ir, State from);
// From Exit1 to the ENDDR or ENDIR state.
std::span<const State> exitWalk(bool ir, State end);
// Between two different stable states; empty otherwise.
std::span<const State> gotoWalk(State from, State to);

// The shortest walk from one state to another.
std::vector<State> shortestWalk(State from, State to);
// The shortest walk from `from` to a stable state that enters no Capture, Shift or Update
// state; empty when there is none (from Exit2).
std::vector<State> settleWalk(State from);

}  // namespace kestrix::replay
