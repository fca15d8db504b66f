#include "core/svf_paths.h"

namespace kestrix {
namespace {

using S = TapState;

constexpr S kSdrFromReset[] = {S::IDLE, S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrFromIdle[] = {S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrFromDrPause[] = {S::DREXIT2, S::DRSHIFT};
constexpr S kSdrFromIrPause[] = {S::IREXIT2, S::IRUPDATE, S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrToReset[] = {S::DRUPDATE, S::IDLE, S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kSdrToIdle[] = {S::DRUPDATE, S::IDLE};
constexpr S kSdrToDrPause[] = {S::DRPAUSE};
constexpr S kSdrToIrPause[] = {S::DRUPDATE,  S::IDLE,    S::DRSELECT, S::IRSELECT,
                               S::IRCAPTURE, S::IREXIT1, S::IRPAUSE};

constexpr S kSirFromReset[] = {S::IDLE, S::DRSELECT, S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromIdle[] = {S::DRSELECT, S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromDrPause[] = {S::DREXIT2,  S::DRUPDATE,  S::IDLE,   S::DRSELECT,
                                 S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromIrPause[] = {S::IREXIT2, S::IRSHIFT};
constexpr S kSirToReset[] = {S::IRPAUSE,  S::IREXIT2,  S::IRUPDATE, S::IDLE,
                             S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kSirToIdle[] = {S::IRPAUSE, S::IREXIT2, S::IRUPDATE, S::IDLE};
constexpr S kSirToDrPause[] = {S::IRPAUSE,  S::IREXIT2,   S::IRUPDATE, S::IDLE,
                               S::DRSELECT, S::DRCAPTURE, S::DREXIT1,  S::DRPAUSE};
constexpr S kSirToIrPause[] = {S::IRPAUSE};

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

// One path for each stable state, in the order RESET, IDLE, DRPAUSE, IRPAUSE.
std::span<const S> byStableState(S state, std::span<const S> reset, std::span<const S> idle,
                                 std::span<const S> drPause, std::span<const S> irPause) {
  switch (state) {
    case S::RESET:
      return reset;
    case S::IDLE:
      return idle;
    case S::DRPAUSE:
      return drPause;
    case S::IRPAUSE:
      return irPause;
    default:
      return {};
  }
}

}  // namespace

std::span<const TapState> scanEntryPath(bool ir, TapState from) {
  return ir ? byStableState(from, kSirFromReset, kSirFromIdle, kSirFromDrPause, kSirFromIrPause)
            : byStableState(from, kSdrFromReset, kSdrFromIdle, kSdrFromDrPause, kSdrFromIrPause);
}

std::span<const TapState> scanExitPath(bool ir, TapState end) {
  return ir ? byStableState(end, kSirToReset, kSirToIdle, kSirToDrPause, kSirToIrPause)
            : byStableState(end, kSdrToReset, kSdrToIdle, kSdrToDrPause, kSdrToIrPause);
}

std::span<const TapState> stablePath(TapState from, TapState to) {
  switch (from) {
    case S::RESET:
      return byStableState(to, {}, kResetToIdle, kResetToDrPause, kResetToIrPause);
    case S::IDLE:
      return byStableState(to, kIdleToReset, {}, kIdleToDrPause, kIdleToIrPause);
    case S::DRPAUSE:
      return byStableState(to, kDrPauseToReset, kDrPauseToIdle, {}, kDrPauseToIrPause);
    case S::IRPAUSE:
      return byStableState(to, kIrPauseToReset, kIrPauseToIdle, kIrPauseToDrPause, {});
    default:
      return {};
  }
}

}  // namespace kestrix
