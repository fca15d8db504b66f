#include "tap/navigation.h"

#include <array>

#include "core/transitions.h"
#include "tap/vector_writer.h"

namespace kestrix {
namespace {

using S = TapState;

constexpr std::array<std::string_view, 5> kResetClockComments = {
    "first reset clock", "second reset clock", "third reset clock", "fourth reset clock",
    "fifth reset clock, Test-Logic-Reset"};

constexpr S kResetToIdle[] = {S::RESET, S::IDLE};
constexpr S kResetToDrPause[] = {S::IDLE, S::DRSELECT, S::DRCAPTURE, S::DREXIT1, S::DRPAUSE};
constexpr S kResetToIrPause[] = {S::IDLE,      S::DRSELECT, S::IRSELECT,
                                 S::IRCAPTURE, S::IREXIT1,  S::IRPAUSE};
constexpr S kIdleToReset[] = {S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kIdleToDrPause[] = {S::DRSELECT, S::DRCAPTURE, S::DREXIT1, S::DRPAUSE};
constexpr S kIdleToIrPause[] = {S::DRSELECT, S::IRSELECT, S::IRCAPTURE, S::IREXIT1, S::IRPAUSE};
constexpr S kDrPauseToReset[] = {S::DREXIT2, S::DRUPDATE, S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kDrPauseToIdle[] = {S::DREXIT2, S::DRUPDATE, S::IDLE};
constexpr S kDrPauseToIrPause[] = {S::DREXIT2,   S::DRUPDATE, S::DRSELECT, S::IRSELECT,
                                   S::IRCAPTURE, S::IREXIT1,  S::IRPAUSE};
constexpr S kIrPauseToReset[] = {S::IREXIT2, S::IRUPDATE, S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kIrPauseToIdle[] = {S::IREXIT2, S::IRUPDATE, S::IDLE};
constexpr S kIrPauseToDrPause[] = {S::IREXIT2,   S::IRUPDATE, S::DRSELECT,
                                   S::DRCAPTURE, S::DREXIT1,  S::DRPAUSE};

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

std::span<const TapState> gotoPath(TapState from, TapState to) {
  switch (from) {
    case S::RESET:
      if (to == S::IDLE) return kResetToIdle;
      if (to == S::DRPAUSE) return kResetToDrPause;
      if (to == S::IRPAUSE) return kResetToIrPause;
      break;
    case S::IDLE:
      if (to == S::RESET) return kIdleToReset;
      if (to == S::DRPAUSE) return kIdleToDrPause;
      if (to == S::IRPAUSE) return kIdleToIrPause;
      break;
    case S::DRPAUSE:
      if (to == S::RESET) return kDrPauseToReset;
      if (to == S::IDLE) return kDrPauseToIdle;
      if (to == S::IRPAUSE) return kDrPauseToIrPause;
      break;
    case S::IRPAUSE:
      if (to == S::RESET) return kIrPauseToReset;
      if (to == S::IDLE) return kIrPauseToIdle;
      if (to == S::DRPAUSE) return kIrPauseToDrPause;
      break;
    default:
      break;
  }
  return {};
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
  walk(w, gotoPath(current, target));
  return true;
}

}  // namespace kestrix
