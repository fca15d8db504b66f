#pragma once

#include <cstdint>
#include <string_view>

#include "core/vector_format.h"
#include "tap/vector_writer.h"

namespace kestrix {

// The pin levels of up to 64 consecutive shift cycles, cycle k in bit k of each word.
struct ShiftLevels {
  // The TDI level of the cycles that drive TDI; the others write "Z".
  std::uint64_t tdi = 0;
  std::uint64_t driven = 0;
  // The expected TDO level ("H" for 1, "L" for 0) of the cycles that compare TDO; the others
  // write "X".
  std::uint64_t tdo = 0;
  std::uint64_t compared = 0;

  char tdiChar(unsigned k) const {
    if (((driven >> k) & 1) == 0) return vector_format::kNotDriven;
    return ((tdi >> k) & 1) != 0 ? vector_format::kHigh : vector_format::kLow;
  }
  char tdoChar(unsigned k) const {
    if (((compared >> k) & 1) == 0) return vector_format::kDontCare;
    return ((tdo >> k) & 1) != 0 ? vector_format::kExpectHigh : vector_format::kExpectLow;
  }
};

// The comment of each steady cycle with -c: `prefix`, the cycle's bit number in decimal, then
// `suffix` (each at most 16 characters).
struct BitNumberComment {
  std::string_view prefix;
  std::string_view suffix;
};

// Writes `count` cycles of the middle of a scan, numbered from `firstBit`, cycle k with the
// levels of bit k % 64 of levels[k / 64]: TMS 0 in a state that TMS 0 keeps, so the TAP model
// needs no step per cycle. Exactly the lines that writeCycle would write, one cycle at a time;
// the caller makes sure that inSteadyShift holds. A counting pass only charges the lines.
// Any count may be asked for, so a caller can stop after as many cycles as it likes.
void writeSteadyShift(CycleWriter& w, std::uint64_t firstBit, std::uint64_t count,
                      const ShiftLevels* levels, BitNumberComment comment);

}  // namespace kestrix
