#include "replay/kestrix_walks.h"

#include <algorithm>
#include <array>

#include "replay/tap.h"

namespace kestrix::replay {
namespace {

using S = State;

// kestrix's walks into the shift state from each stable state, and from Exit1 to each end
// state, as the states they enter.
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

// kestrix's fixed walks between stable states (STATE with one state, RUNTEST's end state).
struct Goto {
  S from, to;
  std::span<const S> walk;
};
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
constexpr Goto kGotos[] = {
    {S::RESET, S::IDLE, kResetToIdle},           {S::RESET, S::DRPAUSE, kResetToDrPause},
    {S::RESET, S::IRPAUSE, kResetToIrPause},     {S::IDLE, S::RESET, kIdleToReset},
    {S::IDLE, S::DRPAUSE, kIdleToDrPause},       {S::IDLE, S::IRPAUSE, kIdleToIrPause},
    {S::DRPAUSE, S::RESET, kDrPauseToReset},     {S::DRPAUSE, S::IDLE, kDrPauseToIdle},
    {S::DRPAUSE, S::IRPAUSE, kDrPauseToIrPause}, {S::IRPAUSE, S::RESET, kIrPauseToReset},
    {S::IRPAUSE, S::IDLE, kIrPauseToIdle},       {S::IRPAUSE, S::DRPAUSE, kIrPauseToDrPause},
};

std::span<const S> pick(S state, std::span<const S> reset, std::span<const S> idle,
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

std::span<const S> gotoWalk(S from, S to) {
  for (const Goto& g : kGotos) {
    if (g.from == from && g.to == to) return g.walk;
  }
  return {};
}

std::span<const S> entryWalk(bool ir, S from) {
  return ir ? pick(from, kSirFromReset, kSirFromIdle, kSirFromDrPause, kSirFromIrPause)
            : pick(from, kSdrFromReset, kSdrFromIdle, kSdrFromDrPause, kSdrFromIrPause);
}

std::span<const S> exitWalk(bool ir, S end) {
  return ir ? pick(end, kSirToReset, kSirToIdle, kSirToDrPause, kSirToIrPause)
            : pick(end, kSdrToReset, kSdrToIdle, kSdrToDrPause, kSdrToIrPause);
}

std::vector<S> shortestWalk(S from, S to) {
  std::array<S, kStateCount> previous{};
  std::array<bool, kStateCount> seen{};
  std::vector<S> queue = {from};
  seen[static_cast<std::size_t>(from)] = true;
  for (std::size_t at = 0; at < queue.size() && !seen[static_cast<std::size_t>(to)]; ++at) {
    for (bool tms : {false, true}) {
      S next = successor(queue[at], tms);
      if (seen[static_cast<std::size_t>(next)]) continue;
      seen[static_cast<std::size_t>(next)] = true;
      previous[static_cast<std::size_t>(next)] = queue[at];
      queue.push_back(next);
    }
  }
  std::vector<S> walk;
  if (from == to || !seen[static_cast<std::size_t>(to)]) return walk;
  for (S at = to; at != from; at = previous[static_cast<std::size_t>(at)]) walk.push_back(at);
  std::reverse(walk.begin(), walk.end());
  return walk;
}

std::vector<S> settleWalk(S from) {
  auto forbidden = [](S s) { return isCapture(s) || isShift(s) || isUpdate(s); };
  std::array<S, kStateCount> previous{};
  std::array<bool, kStateCount> seen{};
  std::vector<S> queue = {from};
  seen[static_cast<std::size_t>(from)] = true;
  for (std::size_t at = 0; at < queue.size(); ++at) {
    if (at > 0 && isStable(queue[at])) {
      std::vector<S> walk;
      for (S s = queue[at]; s != from; s = previous[static_cast<std::size_t>(s)]) {
        walk.push_back(s);
      }
      std::reverse(walk.begin(), walk.end());
      return walk;
    }
    for (bool tms : {false, true}) {
      S next = successor(queue[at], tms);
      if (forbidden(next) || seen[static_cast<std::size_t>(next)]) continue;
      seen[static_cast<std::size_t>(next)] = true;
      previous[static_cast<std::size_t>(next)] = queue[at];
      queue.push_back(next);
    }
  }
  return {};
}

}  // namespace kestrix::replay
