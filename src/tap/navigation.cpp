#include "tap/navigation.h"

#include <array>

#include "core/svf_paths.h"
#include "core/transitions.h"
#include "tap/vector_writer.h"

namespace kestrix {
namespace {

using S = TapState;

constexpr std::array<std::string_view, 5> kResetClockComments = {
    "first reset clock", "second reset clock", "third reset clock", "fourth reset clock",
    "fifth reset clock, Test-Logic-Reset"};

void clock(CycleWriter& w, char tms, std::string_view comment) {
  writeTck0Line(w, tms, 'Z', 'X');
  writeTck1Line(w, tms, 'Z', 'X', comment);
}

}  // namespace

void clockTms1(CycleWriter& w, std::string_view comment) { clock(w, '1', comment); }
void clockTms0(CycleWriter& w, std::string_view comment) { clock(w, '0', comment); }

void writeResetClocks(CycleWriter& w) {
  for (std::string_view comment : kResetClockComments) clockTms1(w, comment);
}

bool stepWritesCycle(TapState from, TapState target) {
  return from == S::UNDEFINED || nextTapState(from, '1').next == target ||
         nextTapState(from, '0').next == target;
}

bool stepToward(CycleWriter& w, TapState target) {
  TapModel& tap = w.tap;
  if (tap.currentState == S::UNDEFINED) {
    writeResetClocks(w);
    tap.currentState = S::RESET;
    return target == S::RESET || stepToward(w, target);
  }
  if (nextTapState(tap.currentState, '1').next == target) {
    clockTms1(w);
  } else if (nextTapState(tap.currentState, '0').next == target) {
    clockTms0(w);
  } else {
    return false;
  }
  tap.currentState = target;
  return true;
}

void walk(CycleWriter& w, std::span<const TapState> path) {
  for (TapState state : path) stepToward(w, state);
}

bool gotoState(CycleWriter& w, TapState target) {
  TapState current = w.tap.currentState;
  if (current == S::UNDEFINED) {
    stepToward(w, S::RESET);
    return target == S::RESET || gotoState(w, target);
  }
  if (!isStableState(current)) return true;
  if (!isStableState(target)) return false;
  walk(w, stablePath(current, target));
  return true;
}

}  // namespace kestrix
