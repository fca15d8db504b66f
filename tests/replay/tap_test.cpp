#include "replay/tap.h"

#include <gtest/gtest.h>

namespace kestrix::replay {
namespace {

using S = State;

// The IEEE 1149.1 state diagram edge by edge, as a list of (state, TMS, next state).
struct Edge {
  State from;
  bool tms;
  State to;
};
constexpr Edge kDiagram[] = {
    {S::RESET, true, S::RESET},         {S::RESET, false, S::IDLE},
    {S::IDLE, false, S::IDLE},          {S::IDLE, true, S::DRSELECT},
    {S::DRSELECT, false, S::DRCAPTURE}, {S::DRSELECT, true, S::IRSELECT},
    {S::DRCAPTURE, false, S::DRSHIFT},  {S::DRCAPTURE, true, S::DREXIT1},
    {S::DRSHIFT, false, S::DRSHIFT},    {S::DRSHIFT, true, S::DREXIT1},
    {S::DREXIT1, false, S::DRPAUSE},    {S::DREXIT1, true, S::DRUPDATE},
    {S::DRPAUSE, false, S::DRPAUSE},    {S::DRPAUSE, true, S::DREXIT2},
    {S::DREXIT2, false, S::DRSHIFT},    {S::DREXIT2, true, S::DRUPDATE},
    {S::DRUPDATE, false, S::IDLE},      {S::DRUPDATE, true, S::DRSELECT},
    {S::IRSELECT, false, S::IRCAPTURE}, {S::IRSELECT, true, S::RESET},
    {S::IRCAPTURE, false, S::IRSHIFT},  {S::IRCAPTURE, true, S::IREXIT1},
    {S::IRSHIFT, false, S::IRSHIFT},    {S::IRSHIFT, true, S::IREXIT1},
    {S::IREXIT1, false, S::IRPAUSE},    {S::IREXIT1, true, S::IRUPDATE},
    {S::IRPAUSE, false, S::IRPAUSE},    {S::IRPAUSE, true, S::IREXIT2},
    {S::IREXIT2, false, S::IRSHIFT},    {S::IREXIT2, true, S::IRUPDATE},
    {S::IRUPDATE, false, S::IDLE},      {S::IRUPDATE, true, S::DRSELECT},
};

TEST(ReplayTap, EveryTransitionOfTheDiagram) {
  ASSERT_EQ(std::size(kDiagram), 32u);
  for (const Edge& edge : kDiagram) {
    Tap tap{edge.from};
    EXPECT_EQ(tap.clock(edge.tms), edge.to)
        << stateName(edge.from) << " TMS " << edge.tms << " should enter " << stateName(edge.to);
  }
}

TEST(ReplayTap, FiveTmsOnesResetFromEveryState) {
  for (std::size_t i = 0; i < kStateCount; ++i) {
    Tap tap{static_cast<State>(i)};
    for (int k = 0; k < kResetCycles; ++k) tap.clock(true);
    EXPECT_EQ(tap.state, S::RESET) << stateName(static_cast<State>(i));
  }
}

TEST(ReplayTap, UnknownUntilFiveTmsOnesInARow) {
  Tap tap;
  for (bool tms : {true, true, true, true, false, true, true, true, true}) {
    EXPECT_EQ(tap.clock(tms), S::UNDEFINED);
  }
  EXPECT_EQ(tap.clock(true), S::RESET);
}

TEST(ReplayTap, StateNamesAreTheSvfKeywords) {
  EXPECT_EQ(stateName(S::RESET), "RESET");
  EXPECT_EQ(stateName(S::DREXIT2), "DREXIT2");
  EXPECT_EQ(stateName(S::IRUPDATE), "IRUPDATE");
  EXPECT_EQ(stateName(S::UNDEFINED), "UNDEFINED");
}

}  // namespace
}  // namespace kestrix::replay
