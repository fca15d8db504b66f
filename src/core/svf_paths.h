#pragma once

// The fixed TAP walks and numbers with which SVF statements become cycles: the walks of SDR
// and SIR into their shift state and out of it to their end state, the paths between stable
// states of STATE and RUNTEST, the cycles RUNTEST writes in place, the longest wait a line
// carries, and the PIO characters. The translator writes by them; the replay's SVF writer
// chooses its statements by them, so the two cannot drift apart.

#include <cstdint>
#include <span>

#include "core/tap_state.h"

namespace kestrix {

// The cycles RUNTEST writes in its run state before a wait, and in its end state after one.
inline constexpr std::uint32_t kRunTestCycles = 4;
// The most units (seconds or microseconds) one wait line carries.
inline constexpr std::uint64_t kLongestWait = 4294967295;

// An SDR (`ir` false) or SIR scan from the stable state `from` into its shift state, as the
// states its cycles enter; empty from any other state. From the pause state of its own
// register a scan goes on where it paused: no Update, no Capture.
std::span<const TapState> scanEntryPath(bool ir, TapState from);
// From Exit1, which the last bit of the scan enters, to the scan's stable end state `end`.
std::span<const TapState> scanExitPath(bool ir, TapState end);
// Between two different stable states (STATE with one state, RUNTEST's run and end states);
// empty otherwise.
std::span<const TapState> stablePath(TapState from, TapState to);

// The PCF character of an SVF PIO character (H L Z U D X, either case), or '\0' for one that
// has none: H drives 1, L drives 0, Z drives nothing, U expects high, D expects low, X ignores.
constexpr char pcfPioCharacter(char svf) {
  switch (svf) {
    case 'H':
    case 'h':
      return '1';
    case 'L':
    case 'l':
      return '0';
    case 'Z':
    case 'z':
      return 'Z';
    case 'U':
    case 'u':
      return 'H';
    case 'D':
    case 'd':
      return 'L';
    case 'X':
    case 'x':
      return 'X';
    default:
      return '\0';
  }
}

// The SVF PIO character (upper case) of a PCF pin character, or '\0' for one that has none.
constexpr char svfPioCharacter(char pcf) {
  switch (pcf) {
    case '1':
      return 'H';
    case '0':
      return 'L';
    case 'Z':
      return 'Z';
    case 'H':
      return 'U';
    case 'L':
      return 'D';
    case 'X':
      return 'X';
    default:
      return '\0';
  }
}

}  // namespace kestrix
