#pragma once

// The replay's own model of the TAP controller: the IEEE 1149.1 state diagram as a table of
// successors, followed from TMS alone. It is kept apart from the translator's transition table
// on purpose: the replay checks what the translator wrote, and a check that shared the
// translator's table would share its faults too.

#include <array>
#include <cstddef>

#include "replay/replay.h"

namespace kestrix::replay {

inline constexpr std::size_t kStateCount = 17;
// Consecutive TMS 1 cycles that bring the TAP into RESET from any state, the unknown one too.
inline constexpr int kResetCycles = 5;

namespace detail {
using S = State;
// {TMS 0, TMS 1} successors, in the order of State.
inline constexpr std::array<std::array<State, 2>, kStateCount> kSuccessors = {{
    {S::IDLE, S::RESET},          // RESET
    {S::IDLE, S::DRSELECT},       // IDLE
    {S::DRCAPTURE, S::IRSELECT},  // DRSELECT
    {S::DRSHIFT, S::DREXIT1},     // DRCAPTURE
    {S::DRSHIFT, S::DREXIT1},     // DRSHIFT
    {S::DRPAUSE, S::DRUPDATE},    // DREXIT1
    {S::DRPAUSE, S::DREXIT2},     // DRPAUSE
    {S::DRSHIFT, S::DRUPDATE},    // DREXIT2
    {S::IDLE, S::DRSELECT},       // DRUPDATE
    {S::IRCAPTURE, S::RESET},     // IRSELECT
    {S::IRSHIFT, S::IREXIT1},     // IRCAPTURE
    {S::IRSHIFT, S::IREXIT1},     // IRSHIFT
    {S::IRPAUSE, S::IRUPDATE},    // IREXIT1
    {S::IRPAUSE, S::IREXIT2},     // IRPAUSE
    {S::IRSHIFT, S::IRUPDATE},    // IREXIT2
    {S::IDLE, S::DRSELECT},       // IRUPDATE
    {S::UNDEFINED, S::UNDEFINED}  // UNDEFINED: only a count of TMS 1 cycles makes it known
}};
}  // namespace detail

constexpr State successor(State state, bool tms) {
  return detail::kSuccessors[static_cast<std::size_t>(state)][tms ? 1 : 0];
}

constexpr bool isStable(State s) {
  return s == State::RESET || s == State::IDLE || s == State::DRPAUSE || s == State::IRPAUSE;
}

// Capture to Update of either register: the states of a scan.
constexpr bool isScanState(State s) {
  return (s >= State::DRCAPTURE && s <= State::DRUPDATE) ||
         (s >= State::IRCAPTURE && s <= State::IRUPDATE);
}

constexpr bool isIrState(State s) { return s >= State::IRSELECT && s <= State::IRUPDATE; }

constexpr bool isShift(State s) { return s == State::DRSHIFT || s == State::IRSHIFT; }
constexpr bool isCapture(State s) { return s == State::DRCAPTURE || s == State::IRCAPTURE; }
constexpr bool isUpdate(State s) { return s == State::DRUPDATE || s == State::IRUPDATE; }
constexpr bool isPause(State s) { return s == State::DRPAUSE || s == State::IRPAUSE; }

// The TAP as the replay follows it: the state, and while it is unknown, how many TMS 1 cycles
// have been seen in a row.
struct Tap {
  State state = State::UNDEFINED;
  int onesInRow = 0;

  // One cycle with TMS `tms`; returns the state entered.
  State clock(bool tms) {
    if (state != State::UNDEFINED) {
      state = successor(state, tms);
    } else {
      onesInRow = tms ? onesInRow + 1 : 0;
      if (onesInRow == kResetCycles) state = State::RESET;
    }
    return state;
  }
};

}  // namespace kestrix::replay
