#pragma once

#include <array>
#include <string_view>

#include "core/tap_state.h"

namespace kestrix {

// One TCK cycle's move: the state it enters and the name a comment gives that state.
struct Transition {
  TapState next;
  std::string_view name;
};

namespace detail {
using S = TapState;
struct TransitionRow {
  Transition tms1;
  Transition tms0;
};
// The IEEE 1149.1 state diagram. The name belongs to the move, not to the state: the move from
// IRUPDATE into IDLE is named "Run-Test_Idle", the other three into IDLE "Run-Test-Idle".
inline constexpr std::array<TransitionRow, 17> kTransitions = {{
    {{S::RESET, "Test-Logic-Reset"}, {S::IDLE, "Run-Test-Idle"}},     // RESET
    {{S::DRSELECT, "Select-DR-Scan"}, {S::IDLE, "Run-Test-Idle"}},    // IDLE
    {{S::IRSELECT, "Select-IR-Scan"}, {S::DRCAPTURE, "Capture-DR"}},  // DRSELECT
    {{S::DREXIT1, "Exit1-DR"}, {S::DRSHIFT, "Shift-DR"}},             // DRCAPTURE
    {{S::DREXIT1, "Exit1-DR"}, {S::DRSHIFT, "Shift-DR"}},             // DRSHIFT
    {{S::DRUPDATE, "Update-DR"}, {S::DRPAUSE, "Pause-DR"}},           // DREXIT1
    {{S::DREXIT2, "Exit2-DR"}, {S::DRPAUSE, "Pause-DR"}},             // DRPAUSE
    {{S::DRUPDATE, "Update-DR"}, {S::DRSHIFT, "Shift-DR"}},           // DREXIT2
    {{S::DRSELECT, "Select-DR-Scan"}, {S::IDLE, "Run-Test-Idle"}},    // DRUPDATE
    {{S::RESET, "Test-Logic-Reset"}, {S::IRCAPTURE, "Capture-IR"}},   // IRSELECT
    {{S::IREXIT1, "Exit1-IR"}, {S::IRSHIFT, "Shift-IR"}},             // IRCAPTURE
    {{S::IREXIT1, "Exit1-IR"}, {S::IRSHIFT, "Shift-IR"}},             // IRSHIFT
    {{S::IRUPDATE, "Update-IR"}, {S::IRPAUSE, "Pause-IR"}},           // IREXIT1
    {{S::IREXIT2, "Exit2-IR"}, {S::IRPAUSE, "Pause-IR"}},             // IRPAUSE
    {{S::IRUPDATE, "Update-IR"}, {S::IRSHIFT, "Shift-IR"}},           // IREXIT2
    {{S::DRSELECT, "Select-DR-Scan"}, {S::IDLE, "Run-Test_Idle"}},    // IRUPDATE
    {{S::UNDEFINED, " "}, {S::UNDEFINED, " "}},                       // UNDEFINED
}};
}  // namespace detail

// The successor of `state` after one cycle with TMS `tms` ('0' or '1'), and its name.
constexpr Transition nextTapState(TapState state, char tms) {
  const detail::TransitionRow& row = detail::kTransitions[static_cast<std::size_t>(state)];
  return tms == '1' ? row.tms1 : row.tms0;
}

}  // namespace kestrix
