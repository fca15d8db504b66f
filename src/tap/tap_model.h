#pragma once

#include <cstdint>

#include "core/tap_state.h"

namespace kestrix {

// The last TRST mode given. While it is ON the TAP is held in Test-Logic-Reset; every TCK-1
// line leaves it OFF.
enum class TrstMode : std::uint8_t { kAbsent, kOn, kOff, kZ };

// The TAP model of one translation pass.
struct TapModel {
  TapState currentState = TapState::UNDEFINED;
  TrstMode trstMode = TrstMode::kAbsent;
};

}  // namespace kestrix
