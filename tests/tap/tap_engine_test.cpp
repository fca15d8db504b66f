#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "tap/navigation.h"
#include "tap/vector_writer.h"
#include "test_support.h"

namespace kestrix {
namespace {

using S = TapState;

// The TMS level of every cycle in `text`, checking that each cycle is a TCK-0 line and a TCK-1
// line with the same TMS, TDI "Z" and TDO "X".
std::string tmsOf(const std::string& text) {
  std::istringstream in(text);
  std::string tck0, tck1, tms;
  while (std::getline(in, tck0)) {
    EXPECT_TRUE(std::getline(in, tck1)) << text;
    EXPECT_EQ(tck0.substr(0, 5), std::string("\"0") + tck1[2] + "ZX") << text;
    EXPECT_EQ(tck1.substr(0, 5), std::string("\"1") + tck1[2] + "ZX") << text;
    tms += tck1[2];
  }
  return tms;
}

struct TransitionCase {
  S from;
  S next1;
  const char* name1;
  S next0;
  const char* name0;
};

// Each transition of the TCK-1 line: the state entered and the name its comment gives.
TEST(TapEngine, Tck1LineFollowsEveryTransition) {
  const TransitionCase cases[] = {
      {S::RESET, S::RESET, "Test-Logic-Reset", S::IDLE, "Run-Test-Idle"},
      {S::IDLE, S::DRSELECT, "Select-DR-Scan", S::IDLE, "Run-Test-Idle"},
      {S::DRSELECT, S::IRSELECT, "Select-IR-Scan", S::DRCAPTURE, "Capture-DR"},
      {S::DRCAPTURE, S::DREXIT1, "Exit1-DR", S::DRSHIFT, "Shift-DR"},
      {S::DRSHIFT, S::DREXIT1, "Exit1-DR", S::DRSHIFT, "Shift-DR"},
      {S::DREXIT1, S::DRUPDATE, "Update-DR", S::DRPAUSE, "Pause-DR"},
      {S::DRPAUSE, S::DREXIT2, "Exit2-DR", S::DRPAUSE, "Pause-DR"},
      {S::DREXIT2, S::DRUPDATE, "Update-DR", S::DRSHIFT, "Shift-DR"},
      {S::DRUPDATE, S::DRSELECT, "Select-DR-Scan", S::IDLE, "Run-Test-Idle"},
      {S::IRSELECT, S::RESET, "Test-Logic-Reset", S::IRCAPTURE, "Capture-IR"},
      {S::IRCAPTURE, S::IREXIT1, "Exit1-IR", S::IRSHIFT, "Shift-IR"},
      {S::IRSHIFT, S::IREXIT1, "Exit1-IR", S::IRSHIFT, "Shift-IR"},
      {S::IREXIT1, S::IRUPDATE, "Update-IR", S::IRPAUSE, "Pause-IR"},
      {S::IRPAUSE, S::IREXIT2, "Exit2-IR", S::IRPAUSE, "Pause-IR"},
      {S::IREXIT2, S::IRUPDATE, "Update-IR", S::IRSHIFT, "Shift-IR"},
      {S::IRUPDATE, S::DRSELECT, "Select-DR-Scan", S::IDLE, "Run-Test_Idle"},
      {S::UNDEFINED, S::UNDEFINED, " ", S::UNDEFINED, " "},
  };
  for (const TransitionCase& c : cases) {
    for (char tms : {'1', '0'}) {
      testing::Context context(true);
      context.t.pass.tap.currentState = c.from;
      writeTck1Line(context.t.cycles, tms, 'Z', 'X');
      SCOPED_TRACE(std::string(tapStateKeyword(c.from)) + " TMS " + tms);
      EXPECT_EQ(context.t.pass.tap.currentState, tms == '1' ? c.next1 : c.next0);
      EXPECT_EQ(context.written(),
                std::string("\"1") + tms + "ZX\" !" + (tms == '1' ? c.name1 : c.name0) + "  \n");
    }
  }
}

TEST(TapEngine, GotoStateWalksTheFixedPaths) {
  struct Case {
    S from;
    S to;
    const char* tms;
  } const cases[] = {
      {S::RESET, S::RESET, ""},
      {S::RESET, S::IDLE, "10"},
      {S::RESET, S::DRPAUSE, "01010"},
      {S::RESET, S::IRPAUSE, "011010"},
      {S::IDLE, S::RESET, "111"},
      {S::IDLE, S::IDLE, ""},
      {S::IDLE, S::DRPAUSE, "1010"},
      {S::IDLE, S::IRPAUSE, "11010"},
      {S::DRPAUSE, S::RESET, "11111"},
      {S::DRPAUSE, S::IDLE, "110"},
      {S::DRPAUSE, S::DRPAUSE, ""},
      {S::DRPAUSE, S::IRPAUSE, "1111010"},
      {S::IRPAUSE, S::RESET, "11111"},
      {S::IRPAUSE, S::IDLE, "110"},
      {S::IRPAUSE, S::DRPAUSE, "111010"},
      {S::IRPAUSE, S::IRPAUSE, ""},
      // From UNDEFINED the five reset clocks come first.
      {S::UNDEFINED, S::RESET, "11111"},
      {S::UNDEFINED, S::IDLE, "1111110"},
      {S::UNDEFINED, S::DRPAUSE, "1111101010"},
      {S::UNDEFINED, S::IRPAUSE, "11111011010"},
  };
  for (const auto& c : cases) {
    testing::Context context;
    context.t.pass.tap.currentState = c.from;
    gotoState(context.t.cycles, c.to);
    SCOPED_TRACE(std::string(tapStateKeyword(c.from)) + " to " +
                 std::string(tapStateKeyword(c.to)));
    EXPECT_EQ(tmsOf(context.written()), c.tms);
    EXPECT_EQ(context.t.pass.tap.currentState, c.to);
    EXPECT_EQ(context.t.pass.output.vectorCount, 2 * static_cast<std::int64_t>(strlen(c.tms)));
  }
}

TEST(TapEngine, StepTowardWritesAtMostOneCycleAfterTheResetClocks) {
  struct Case {
    S from;
    S target;
    bool reached;
    const char* tms;
    S after;
  } const cases[] = {
      {S::UNDEFINED, S::RESET, true, "11111", S::RESET},
      {S::UNDEFINED, S::IDLE, true, "111110", S::IDLE},
      {S::UNDEFINED, S::DRSELECT, false, "11111", S::RESET},
      {S::RESET, S::RESET, true, "1", S::RESET},
      {S::IDLE, S::IDLE, true, "0", S::IDLE},
      {S::DRSHIFT, S::DRSHIFT, true, "0", S::DRSHIFT},
      {S::DRPAUSE, S::DRPAUSE, true, "0", S::DRPAUSE},
      {S::IRSHIFT, S::IRSHIFT, true, "0", S::IRSHIFT},
      {S::IRPAUSE, S::IRPAUSE, true, "0", S::IRPAUSE},
      {S::DRSELECT, S::DRSELECT, false, "", S::DRSELECT},
      {S::IREXIT1, S::IREXIT1, false, "", S::IREXIT1},
      {S::IDLE, S::DRPAUSE, false, "", S::IDLE},
      {S::DREXIT1, S::DRUPDATE, true, "1", S::DRUPDATE},
      {S::DREXIT1, S::DRPAUSE, true, "0", S::DRPAUSE},
  };
  for (const auto& c : cases) {
    testing::Context context;
    context.t.pass.tap.currentState = c.from;
    SCOPED_TRACE(std::string(tapStateKeyword(c.from)) + " toward " +
                 std::string(tapStateKeyword(c.target)));
    EXPECT_EQ(stepToward(context.t.cycles, c.target), c.reached);
    EXPECT_EQ(tmsOf(context.written()), c.tms);
    EXPECT_EQ(context.t.pass.tap.currentState, c.after);
  }
}

// Outside the stable states gotoState does nothing, not even complain.
TEST(TapEngine, GotoStateFromAnUnstableStateWritesNothing) {
  testing::Context context;
  context.t.pass.tap.currentState = S::DRSHIFT;
  gotoState(context.t.cycles, S::IDLE);
  EXPECT_EQ(context.written() + context.console.out, "");
  EXPECT_EQ(context.t.pass.tap.currentState, S::DRSHIFT);
}

TEST(TapEngine, ResetClocksCarryTheirComments) {
  testing::Context context(true);
  stepToward(context.t.cycles, S::RESET);
  std::string expected;
  for (const char* text : {"first reset clock", "second reset clock", "third reset clock",
                           "fourth reset clock", "fifth reset clock, Test-Logic-Reset"}) {
    expected += std::string("\"01ZX\" \n\"11ZX\" !  ") + text + " \n";
  }
  EXPECT_EQ(context.written(), expected);
  EXPECT_EQ(context.t.pass.output.vectorCount, 10);
}

TEST(TapEngine, VectorLineLayout) {
  struct Case {
    bool commentsOn;
    const char* pio;
    S from;
    char tms, tdi, tdo;
    const char* comment;
    const char* lines;
  } const cases[] = {
      {false, "\"", S::IDLE, '1', 'Z', 'X', "", "\"01ZX\" \n\"11ZX\" \n"},
      {true, "\"", S::IDLE, '1', 'Z', 'X', "", "\"01ZX\" \n\"11ZX\" !Select-DR-Scan  \n"},
      {false, "\"", S::DRSHIFT, '0', '1', 'H', "SDR bit 0", "\"001H\" \n\"101X\" \n"},
      {true, "\"", S::DRSHIFT, '0', '0', 'L', "SDR bit 7",
       "\"000L\" \n\"100X\" !Shift-DR SDR bit 7 \n"},
      {false, "10X\"", S::IDLE, '0', 'Z', 'X', "", "\"00ZX10X\" \n\"10ZX10X\" \n"},
      {true, "H\"", S::IRUPDATE, '0', 'Z', 'X', "", "\"00ZXH\" \n\"10ZXH\" !Run-Test_Idle  \n"},
  };
  for (const auto& c : cases) {
    testing::Context context(c.commentsOn);
    context.t.pass.tap.currentState = c.from;
    context.t.pass.pio.PIOstring = c.pio;
    writeTck0Line(context.t.cycles, c.tms, c.tdi, c.tdo);
    writeTck1Line(context.t.cycles, c.tms, c.tdi, 'X', c.comment);
    EXPECT_EQ(context.written(), c.lines);
    EXPECT_EQ(context.t.pass.output.vectorCount, 2);
  }
}

TEST(TapEngine, TrstOnHoldsResetForOneCycle) {
  testing::Context context;
  TapModel& tap = context.t.pass.tap;
  tap.currentState = S::DRPAUSE;
  tap.trstMode = TrstMode::kOn;
  writeTck0Line(context.t.cycles, '0', 'Z', 'X');
  EXPECT_EQ(tap.currentState, S::RESET);
  writeTck1Line(context.t.cycles, '0', 'Z', 'X');
  EXPECT_EQ(tap.currentState, S::RESET);  // TMS 0 from RESET would enter IDLE
  EXPECT_EQ(tap.trstMode, TrstMode::kOff);
  clockTms0(context.t.cycles);
  EXPECT_EQ(tap.currentState, S::IDLE);
  // A successful step still ends in its target.
  tap.trstMode = TrstMode::kOn;
  EXPECT_TRUE(stepToward(context.t.cycles, S::DRSELECT));
  EXPECT_EQ(tap.currentState, S::DRSELECT);
  EXPECT_EQ(tap.trstMode, TrstMode::kOff);
}

}  // namespace
}  // namespace kestrix
