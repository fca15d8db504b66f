#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace kestrix {

// The sixteen TAP controller states, numbered as the SVF keywords are listed, and UNDEFINED
// while no clock has brought the TAP into a known state.
enum class TapState : std::uint8_t {
  RESET,
  IDLE,
  DRSELECT,
  DRCAPTURE,
  DRSHIFT,
  DREXIT1,
  DRPAUSE,
  DREXIT2,
  DRUPDATE,
  IRSELECT,
  IRCAPTURE,
  IRSHIFT,
  IREXIT1,
  IRPAUSE,
  IREXIT2,
  IRUPDATE,
  UNDEFINED,
};

inline constexpr int kTapStateCount = 16;

// The SVF keyword of a state (upper case); empty for UNDEFINED.
constexpr std::string_view tapStateKeyword(TapState state) {
  constexpr std::array<std::string_view, 17> kKeywords = {
      "RESET",   "IDLE",    "DRSELECT", "DRCAPTURE", "DRSHIFT",   "DREXIT1",
      "DRPAUSE", "DREXIT2", "DRUPDATE", "IRSELECT",  "IRCAPTURE", "IRSHIFT",
      "IREXIT1", "IRPAUSE", "IREXIT2",  "IRUPDATE",  ""};
  return kKeywords[static_cast<int>(state)];
}

constexpr bool isStableState(TapState state) {
  return state == TapState::RESET || state == TapState::IDLE || state == TapState::DRPAUSE ||
         state == TapState::IRPAUSE;
}

}  // namespace kestrix
