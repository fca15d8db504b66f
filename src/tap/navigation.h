#pragma once

#include <span>
#include <string_view>

#include "core/tap_state.h"
#include "tap/vector_writer.h"

namespace kestrix {

// One navigation cycle with TMS 1 (or 0), TDI "Z" and TDO "X".
void clockTms1(CycleWriter& w, std::string_view comment = {});
void clockTms0(CycleWriter& w, std::string_view comment = {});

// The five TMS 1 cycles that bring the TAP into Test-Logic-Reset from any state, each with its
// reset-clock comment.
void writeResetClocks(CycleWriter& w);

// Whether a step from `from` toward `target` writes a cycle (from UNDEFINED, the reset clocks).
bool stepWritesCycle(TapState from, TapState target);

// One cycle toward `target` when it is a successor of the current state (from UNDEFINED the
// five reset clocks first). True when the TAP has reached the target.
bool stepToward(CycleWriter& w, TapState target);

// Walks the fixed path from a stable state (or UNDEFINED) to the stable `target`. From any
// other state nothing happens. False when the target is not a stable state (from UNDEFINED
// after the reset clocks): the caller stops the translation.
bool gotoState(CycleWriter& w, TapState target);

// One stepToward per state of `path`.
void walk(CycleWriter& w, std::span<const TapState> path);

}  // namespace kestrix
