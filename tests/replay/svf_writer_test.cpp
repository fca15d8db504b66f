#include "replay/svf_writer.h"

#include <gtest/gtest.h>

#include "core/console.h"
#include "replay/pcf_builder.h"
#include "replay/replayer.h"
#include "replay/round_trip.h"
#include "replay/text_out.h"

namespace kestrix::replay {
namespace {

using namespace testing;

// Sets that no SVF program gives kestrix exactly: the program says where, in a comment, and
// still gives the device the same scans and waits.
TEST(ReplaySvfWriter, WhatSvfCannotSayIsMarkedAndTheScansStay) {
  const std::string start = kReset + kToIdle;
  struct Case {
    const char* name;
    std::string body;
    std::string comment;
  };
  const Case cases[] = {
      // Between two waits in RESET (the second has its four cycles).
      {"one cycle in RESET",
       kReset + "end pcf\nwait 3s\npcf\n" + tmsCycles("1") + "end pcf\nwait 1s\npcf\n" +
           tmsCycles("11110"),
       "! not exact: a single cycle into RESET is written after one more in RESET\n"},
      {"unknown cycles", tmsCycles("0") + kReset + kToIdle,
       "! not exact: 6 cycles before the TAP is known are written as the five reset cycles\n"},
      {"never known", tmsCycles("1101"),
       "! not exact: left out: 4 cycles that never bring the TAP into a known state\n"},
      {"wait in Shift",
       start + kIdleToDrShift + shiftCycles("10", "", false) + "end pcf\nwait 7u\npcf\n" +
           shiftCycles("01", "") + kExitToIdle,
       "stops shifting without leaving Shift; it is left in DRPAUSE\n"},
      {"exit1 to update-ir", start + kIdleToIrShift + shiftCycles("101", "") + kExitToIdle,
       "passes its pause before Update\n"},
      {"update into select",
       start + kIdleToDrShift + shiftCycles("11", "") + tmsCycles("11") + tmsCycles("00") +
           shiftCycles("1", "") + kExitToIdle,
       "passes its pause before Update\n"},
      {"ends in select", start + tmsCycles("1"),
       "! not exact: the set leaves the TAP in DRSELECT, the program in RESET\n"},
      // A Capture at the end: the scan stays open, in its pause.
      {"ends in shift", start + tmsCycles("100"),
       "! not exact: the set leaves the TAP in DRSHIFT, the program in DRPAUSE\n"},
      {"ends in exit2", start + tmsCycles("10101"),
       "! not exact: the set leaves the TAP in DREXIT2, the program in DRPAUSE\n"},
      {"wait in reset", kReset + "end pcf\nwait 3s\npcf\n" + tmsCycles("11") + kToIdle,
       "! not exact: RUNTEST writes 4 cycles in RESET after the wait that the set does not have\n"},
  };
  for (const Case& c : cases) {
    FileSet set = {{"h1.pcf", pcfFile(c.body)}};
    RoundTrip trip = roundTrip(set);
    ASSERT_FALSE(trip.first.problem) << c.name << ": " << trip.first.problem->message;
    EXPECT_NE(trip.svf.find(c.comment), std::string::npos) << c.name << "\n" << trip.svf;
    EXPECT_NE(trip.svfErrors.find("written not exactly"), std::string::npos) << c.name;
    ASSERT_FALSE(trip.again.empty()) << c.name << "\n" << trip.svf;
    EXPECT_EQ(joined(outline(trip.first, true)), joined(outline(trip.second, true)))
        << c.name << "\n"
        << trip.svf;
  }
}

TEST(ReplaySvfWriter, ScansCarryTheirValuesAndTheRegisterSettings) {
  // From the unknown state, SIR clocks the reset cycles itself. An IR scan with expected bits
  // (its Exit1 leads straight to Update-IR, which SIR cannot), a DR scan with undriven bits, a
  // second DR scan that drives all its bits: the kept SMASK is given again, all ones.
  std::string body = kReset + kToIdle + kIdleToIrShift + shiftCycles("1000", "HLXX") + kExitToIdle +
                     kIdleToDrShift + shiftCycles("1Z0", "") + kExitToIdle + kIdleToDrShift +
                     shiftCycles("11", "") + kExitToIdle;
  ReplayRun run = runOver({{"s1.pcf", pcfFile(body)}}, {"--svf"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "kestrix-replay: 1 place of the set is written not exactly; see the comments that "
            "begin with \"! not exact\"\n");
  EXPECT_EQ(run.out,
            "! SVF program written by kestrix-replay from the PCF set that begins with s1.pcf\n"
            "! kestrix translates it into the scans and waits of that set.\n"
            "HIR 0;\nHDR 0;\nTIR 0;\nTDR 0;\n"
            "! not exact: the scan at s1.pcf:39 passes its pause before Update\n"
            "ENDIR IRPAUSE;\n"
            "! bits from s1.pcf:39\n"
            "SIR 4 TDI (1) TDO (1) MASK (3);\n"
            "STATE IREXIT2 IRUPDATE IDLE;\n"
            "! bits from s1.pcf:57\n"
            "SDR 3 TDI (1) SMASK (5);\n"
            "! bits from s1.pcf:73\n"
            "SDR 2 TDI (3) SMASK (3);\n");
}

// A set that rests in Pause-DR between its scans never passes IDLE or RESET: each scan must be
// written once it is settled, not held with every later one until the set ends.
TEST(ReplaySvfWriter, ScansBetweenPausesAreWrittenAsTheyAreSettled) {
  const std::string pauseToShift = tmsCycles("11100");
  std::string body = kReset + kToIdle + kIdleToDrShift + shiftCycles("10", "") + tmsCycles("0") +
                     pauseToShift + shiftCycles("01", "") + tmsCycles("0") + tmsCycles("1");
  MemoryConsole console;
  TextOut out(console);
  SvfWriter writer(out);
  Replayer replayer(writer);
  replayer.beginFile("p1.pcf");
  ASSERT_TRUE(replayer.feed(kHead + pinBlock({}) + body));
  out.flush();
  EXPECT_NE(console.out.find("SDR 2 TDI (1);"), std::string::npos) << console.out;
}

}  // namespace
}  // namespace kestrix::replay
