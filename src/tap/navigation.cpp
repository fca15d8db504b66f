#include "tap/navigation.h"

#include <array>

#include "translation/messages.h"
#include "translation/translation.h"
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

void clock(Translation& t, char tms, std::string_view comment) {
  writeTck0Line(t, tms, 'Z', 'X');
  writeTck1Line(t, tms, 'Z', 'X', comment);
}

}  // namespace

void clockTms1(Translation& t, std::string_view comment) { clock(t, '1', comment); }
void clockTms0(Translation& t, std::string_view comment) { clock(t, '0', comment); }

void writeResetClocks(Translation& t) {
  for (std::string_view comment : kResetClockComments) clockTms1(t, comment);
}

bool stepWritesCycle(TapState from, TapState target) {
  return from == S::UNDEFINED || nextTapState(from, '1').next == target ||
         nextTapState(from, '0').next == target;
}

bool stepToward(Translation& t, TapState target) {
  TapModel& tap = t.pass.tap;
  if (tap.currentState == S::UNDEFINED) {
    writeResetClocks(t);
    tap.currentState = S::RESET;
    return target == S::RESET || stepToward(t, target);
  }
  if (nextTapState(tap.currentState, '1').next == target) {
    clockTms1(t);
  } else if (nextTapState(tap.currentState, '0').next == target) {
    clockTms0(t);
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

void walk(Translation& t, std::span<const TapState> path) {
  for (TapState state : path) stepToward(t, state);
}

void gotoState(Translation& t, TapState target) {
  TapState current = t.pass.tap.currentState;
  if (current == S::UNDEFINED) {
    stepToward(t, S::RESET);
    if (target != S::RESET) gotoState(t, target);
    return;
  }
  if (!isStableState(current)) return;
  if (!isStableState(target)) {
    failStatement(t, "\nSTATE parameter specified is not a stable state!\n");
  }
  walk(t, gotoPath(current, target));
}

}  // namespace kestrix
