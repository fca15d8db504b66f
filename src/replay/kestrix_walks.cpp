#include "replay/kestrix_walks.h"

#include <algorithm>
#include <array>

#include "core/svf_paths.h"
#include "replay/tap.h"

namespace kestrix::replay {
namespace {

using S = State;

}  // namespace

std::span<const S> gotoWalk(S from, S to) { return stablePath(from, to); }

std::span<const S> entryWalk(bool ir, S from) { return scanEntryPath(ir, from); }

std::span<const S> exitWalk(bool ir, S end) { return scanExitPath(ir, end); }

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
