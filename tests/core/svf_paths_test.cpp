#include "core/svf_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/transitions.h"

namespace kestrix {
namespace {

using S = TapState;

constexpr S kStable[] = {S::RESET, S::IDLE, S::DRPAUSE, S::IRPAUSE};

// Follows `path` from `from` through the transition table: each state must be one cycle's
// successor of the one before. Returns where the walk ends, UNDEFINED when a step is no
// successor.
S follow(S from, std::span<const S> path) {
  S at = from;
  for (S next : path) {
    if (nextTapState(at, '0').next != next && nextTapState(at, '1').next != next) {
      return S::UNDEFINED;
    }
    at = next;
  }
  return at;
}

TEST(SvfPaths, StablePathsAreWalksOfTheStateDiagram) {
  for (S from : kStable) {
    for (S to : kStable) {
      std::span<const S> path = stablePath(from, to);
      SCOPED_TRACE(std::string(tapStateKeyword(from)) + " -> " + std::string(tapStateKeyword(to)));
      if (from == to) {
        EXPECT_TRUE(path.empty());
        continue;
      }
      EXPECT_EQ(follow(from, path), to);
    }
  }
  EXPECT_TRUE(stablePath(S::DRSHIFT, S::IDLE).empty());
}

TEST(SvfPaths, ScanPathsEnterTheShiftStateAndLeaveExit1ForTheEndState) {
  struct Side {
    bool ir;
    S shift, exit1, pause, capture;
  };
  for (Side side : {Side{false, S::DRSHIFT, S::DREXIT1, S::DRPAUSE, S::DRCAPTURE},
                    Side{true, S::IRSHIFT, S::IREXIT1, S::IRPAUSE, S::IRCAPTURE}}) {
    for (S state : kStable) {
      SCOPED_TRACE(std::string(side.ir ? "SIR " : "SDR ") + std::string(tapStateKeyword(state)));
      std::span<const S> entry = scanEntryPath(side.ir, state);
      EXPECT_EQ(follow(state, entry), side.shift);
      // A scan paused in its own register goes on without a new Capture.
      bool continued = state == side.pause;
      EXPECT_EQ(std::find(entry.begin(), entry.end(), side.capture) == entry.end(), continued);
      EXPECT_EQ(follow(side.exit1, scanExitPath(side.ir, state)), state);
    }
    EXPECT_TRUE(scanEntryPath(side.ir, S::DRSHIFT).empty());
  }
}

TEST(SvfPaths, PioCharactersMapBothWays) {
  for (char svf : std::string("HLZUDX")) {
    char pcf = pcfPioCharacter(svf);
    ASSERT_NE(pcf, '\0') << svf;
    EXPECT_EQ(pcfPioCharacter(static_cast<char>(svf - 'A' + 'a')), pcf) << svf;
    EXPECT_EQ(svfPioCharacter(pcf), svf) << svf;
  }
  EXPECT_EQ(std::string({pcfPioCharacter('H'), pcfPioCharacter('L'), pcfPioCharacter('U'),
                         pcfPioCharacter('D')}),
            "10HL");
  EXPECT_EQ(pcfPioCharacter('1'), '\0');
  EXPECT_EQ(svfPioCharacter('Q'), '\0');
}

}  // namespace
}  // namespace kestrix
