#include <gtest/gtest.h>

#include <sstream>

#include "driver/dispatch.h"
#include "test_support.h"

namespace kestrix {
namespace {

// One character per cycle (its TMS level); every other line in brackets.
std::string traceOf(const std::string& text) {
  std::istringstream in(text);
  std::string trace;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("\"0", 0) == 0) continue;
    trace += line.rfind("\"1", 0) == 0 ? line.substr(2, 1) : "[" + line + "]";
  }
  return trace;
}

std::string waitBlock(const std::string& wait) {
  return "[end pcf][wait " + wait + "][pcf][use pcf order Scan]";
}

// Translates `statement` with the TAP in IDLE and the frequency directive given; true when it
// ran to its end.
bool translateFromIdle(testing::Context& c, const std::string& value, const std::string& unit,
                       const std::string& statement) {
  c.t.pass.tap.currentState = TapState::IDLE;
  c.t.pass.output.pinBlockWritten = true;
  c.t.pass.frequency = {value, unit};
  return !c.translate({statement});
}

TEST(Timing, RunTestCyclesAndWaitBlocks) {
  struct Case {
    const char* value;
    const char* unit;
    const char* statement;
    std::string trace;
  } const cases[] = {
      {"1000000", "Hz", "RUNTEST 2000 TCK", "0000" + waitBlock("2000u")},
      {"3", "MHz", "RUNTEST 5 TCK", "0000" + waitBlock("2s")},
      {"10000000", "MHz", "RUNTEST 100 TCK", "0000" + waitBlock("10")},
      {"1000", "Hz", "RUNTEST 2 TCK", "00"},
      // No frequency: every cycle of the count.
      {"", "", "RUNTEST IDLE 1000 TCK", std::string(1000, '0')},
      {"1000", "Hz", "RUNTEST DRPAUSE 100 TCK ENDSTATE IRPAUSE",
       "1010" + waitBlock("100000u") + "1111010" + "0000"},
      // Exponents, no frequency at all, and frequencies below 1 Hz.
      {"1.0E+06", "Hz", "RUNTEST 3000000 TCK", "0000" + waitBlock("3s")},
      {"0", "Hz", "RUNTEST 100 TCK", std::string(100, '0')},
      {"0.5", "Hz", "RUNTEST 4 TCK", "0000" + waitBlock("8s")},
      {"2.5", "Hz", "RUNTEST 10 TCK", "0000" + waitBlock("5s")},
      // Times: the wait is the minimum time unless the count takes longer.
      {"", "", "RUNTEST 50021E-6 SEC", waitBlock("50021u")},
      {"", "", "RUNTEST 0.5 SEC", waitBlock("500000u")},
      {"", "", "RUNTEST 1.5E-6 SEC", waitBlock("2u")},
      {"", "", "RUNTEST 3.0004 SEC", waitBlock("3s")},
      // A run state is the default end state: the wait stays in DRPAUSE.
      {"", "", "RUNTEST DRPAUSE 2.50E+00 SEC", "1010" + waitBlock("3s") + "0000"},
      {"", "", "RUNTEST IDLE 3 TCK 1.00E-02 SEC", "000" + waitBlock("10000u")},
      {"1000000", "Hz", "RUNTEST 2000 TCK 1E-3 SEC", "0000" + waitBlock("2000u")},
      {"1000000", "Hz", "RUNTEST 1000 TCK 1E-2 SEC", "0000" + waitBlock("10000u")},
      {"1", "Hz", "RUNTEST 3 TCK 1E-3 SEC", "000" + waitBlock("1000u")},
      {"", "", "RUNTEST 100 TCK 1E-3 SEC MAXIMUM 1 SEC ENDSTATE DRPAUSE",
       std::string(100, '0') + waitBlock("1000u") + "1010"},
      {"", "", "RUNTEST DRPAUSE 6 TCK 0 SEC",
       "1010"
       "000000" +
           waitBlock("0u") + "0000"},
      {"", "", "RUNTEST 6", "0000"},
      // Waits are never shorter than asked: to the nearest thousandth of the unit, then up.
      {"", "", "RUNTEST 1.5 SEC", waitBlock("2s")},
      {"", "", "RUNTEST 7.001 SEC", waitBlock("8s")},
      {"", "", "RUNTEST 4.001E-6 SEC", waitBlock("5u")},
      {"", "", "RUNTEST 999.9E-6 SEC", waitBlock("1000u")},
      {"", "", "RUNTEST -1 SEC", waitBlock("0u")},
      {"1E6", "Hz", "RUNTEST 1300000 TCK", "0000" + waitBlock("2s")},
      {"1E6", "Hz", "RUNTEST 100 TCK", "0000" + waitBlock("100u")},
      {"0.3", "Hz", "RUNTEST 4 TCK", "0000" + waitBlock("14s")},
      {"1E-300", "HZ", "RUNTEST 4 TCK", "0000" + waitBlock("4294967295s")},
      {"1E6", "Hz", "RUNTEST 1000 TCK 1.0004E-3 SEC", "0000" + waitBlock("1001u")},
      // Equal waits keep the count's line, which has no "u" for a unit word not in hertz.
      {"1E6", "MHz", "RUNTEST 2000 TCK 2E-3 SEC", "0000" + waitBlock("2000")},
      // Counts are whole decimal numbers of any size, rounded up; waits saturate.
      {"1E6", "Hz", "RUNTEST 9223372036854775808 TCK", "0000" + waitBlock("4294967295s")},
      {"1E6", "Hz", "RUNTEST 5000000000 TCK", "0000" + waitBlock("5000s")},
      {"1E6", "Hz", "RUNTEST 4294967296 TCK", "0000" + waitBlock("4295s")},
      {"1E6", "Hz", "RUNTEST 1E7 TCK", "0000" + waitBlock("10s")},
      {"", "", "RUNTEST 2.5 TCK", "000"},
      {"", "", "RUNTEST 0.001 TCK", "0"},
      {"", "", "RUNTEST -0 TCK", ""},
      {"", "", "WAIT -0.0 TCK", "0"},
      {"", "", "RUNTEST 0x10 SEC", waitBlock("0u")},
      {"", "", "RUNTEST 0 TCK", ""},
      // Unit words in any case.
      {"", "", "RUNTEST 2 SeC", waitBlock("2s")},
      {"", "", "RUNTEST 3 Tck 1E-3 sEc MAXIMUM 1 Sec", "000" + waitBlock("1000u")},
      {"", "", "RUNTEST 3 sck", "000"},
      {"", "", "WAIT 1000 TCK", "0"},
      {"", "", "WAIT 1000 TCK ENDSTATE DRPAUSE", ""},
  };
  for (const auto& c : cases) {
    testing::Context context;
    SCOPED_TRACE(std::string(c.statement) + " at " + c.value);
    EXPECT_TRUE(translateFromIdle(context, c.value, c.unit, c.statement)) << context.console.out;
    std::string written = context.written();
    EXPECT_EQ(traceOf(written), c.trace);
    // Wait blocks are not charged to the vector count.
    std::int64_t lines = 0;
    for (std::size_t at = 0; (at = written.find("\n\"", at)) != std::string::npos; ++at) ++lines;
    if (written.rfind("\"", 0) == 0) ++lines;
    EXPECT_EQ(context.t.pass.output.vectorCount, lines);
  }
}

TEST(Timing, RunStateBecomesTheDefaultEndState) {
  testing::Context c;
  ASSERT_TRUE(translateFromIdle(c, "", "", "RUNTEST DRPAUSE 100"));
  // Without a unit word this statement still ends in IDLE...
  EXPECT_EQ(traceOf(c.last),
            "1010"
            "110"
            "0000");
  // ...and the next one runs and stays in DRPAUSE.
  ASSERT_FALSE(c.translate({"RUNTEST 5 TCK"}));
  EXPECT_EQ(traceOf(c.last),
            "1010"
            "00000"
            "0000");
  ASSERT_FALSE(c.translate({"RUNTEST IDLE 5 TCK", "RUNTEST 5 TCK"}));
  EXPECT_EQ(traceOf(c.last), "00000");
  EXPECT_EQ(c.t.pass.tap.currentState, TapState::IDLE);
}

// With -r every cycle is clocked, and a minimum time waits only for what the cycles do not
// already take at the frequency in force.
TEST(Timing, EveryRunCycleIsClockedWithOptionR) {
  struct Case {
    const char* value;
    const char* statement;
    std::string trace;
  } const cases[] = {
      {"1000000", "RUNTEST 2000 TCK", std::string(2000, '0')},
      {"1000000", "RUNTEST 2000 TCK 1E-3 SEC", std::string(2000, '0')},
      {"1000000", "RUNTEST 2000 TCK 2E-3 SEC", std::string(2000, '0')},
      {"1000000", "RUNTEST 2000 TCK 5E-3 SEC", std::string(2000, '0') + waitBlock("5000u")},
      {"", "RUNTEST 6 TCK 0 SEC", "000000"},
      {"", "RUNTEST 6 TCK 1E-6 SEC", "000000" + waitBlock("1u")},
      {"1000", "RUNTEST DRPAUSE 10 TCK 1E-3 SEC", "1010" + std::string(10, '0') + "0000"},
      {"1000", "RUNTEST 1E-3 SEC", waitBlock("1000u")},
      // Without a unit word nothing changes.
      {"1000", "RUNTEST 100", "0000" + waitBlock("100000u")},
  };
  for (const auto& c : cases) {
    testing::Context context;
    context.t.options.clockEveryRunCycle = true;
    SCOPED_TRACE(std::string(c.statement) + " at " + c.value);
    ASSERT_TRUE(translateFromIdle(context, c.value, "Hz", c.statement)) << context.console.out;
    EXPECT_EQ(traceOf(context.written()), c.trace);
  }
}

TEST(Timing, BadCountsAndUnitsStopTheTranslation) {
  struct Case {
    const char* value;
    const char* statement;
    const char* message;
  } const cases[] = {
      {"", "RUNTEST -5 TCK", "\nInvalid RUNTEST count -5!\n"},
      {"", "RUNTEST IDLE -1E3 TCK", "\nInvalid RUNTEST count -1E3!\n"},
      {"", "RUNTEST -0.5", "\nInvalid RUNTEST count -0.5!\n"},
      {"", "WAIT -1 TCK", "\nInvalid WAIT count -1!\n"},
      {"", "RUNTEST 10 MSEC", "\nInvalid RUNTEST unit MSEC!\n"},
      {"", "RUNTEST 10 TCK 1E-3 MSEC", "\nInvalid RUNTEST unit MSEC!\n"},
      {"", "RUNTEST 10 TCK 1E-3 SEC MAXIMUM 1 usec", "\nInvalid RUNTEST unit usec!\n"},
      {"", "RUNTEST 100000001 TCK",
       "\nRUNTEST needs 100000001 cycles and no frequency is known: give the program a "
       "FREQUENCY.\n"},
  };
  for (const auto& c : cases) {
    testing::Context context;
    SCOPED_TRACE(c.statement);
    EXPECT_FALSE(translateFromIdle(context, c.value, "Hz", c.statement));
    EXPECT_EQ(context.console.out, std::string(c.message) + "COMMAND LINE WAS: " + c.statement +
                                       "\nIn in.svf at line 1.\n");
  }
}

}  // namespace
}  // namespace kestrix
