// Sets that the replay fuzzer found the SVF writer or the program failing on, each made small.
#include <gtest/gtest.h>

#include "replay/pcf_builder.h"
#include "replay/round_trip.h"

namespace kestrix::replay {
namespace {

using namespace testing;

struct Regression {
  const char* name;
  std::string file;
  std::string comment;  // in the SVF program; empty when it must be exact
  bool scansKept;
};

TEST(ReplayFuzzRegressions, SvfProgramsTranslateAndKeepWhatTheySay) {
  const std::string start = kReset + kToIdle;
  const std::string parallel = "use pcf order Parallel\n";
  const std::string scan = "use pcf order Scan\n";
  const Regression cases[] = {
      // The PIO statement was written from a step already taken off the path.
      {"pio cycles in place", pcfFile(start + parallel + tmsCycles("00", "1") + scan, {"A"}), "",
       true},
      // PIOMAP cannot carry an empty name or one with a blank.
      {"pin names",
       kHead + pinBlock({"A B", "C"}) + start + parallel + tmsCycles("0", "10") + scan + kTrailer,
       "! not exact: PIO characters that match no PIOMAP are left out\n", true},
      // A microsecond wait of a second or more comes back in whole seconds.
      {"long microsecond wait", pcfFile(start + "end pcf\nwait 1999998u\npcf\n"),
       "! not exact, scans or waits differ: kestrix waits in whole seconds from one second on, "
       "up to 4294967295: the wait of 1999998u becomes another\n",
       false},
      // A scan goes on from its pause with PIO characters that its walk back did not have; the
      // walk was once sent from Exit2 to Pause, which no TAP can do.
      {"continued scan with pio",
       pcfFile(start + kIdleToDrShift + shiftCycles("1", "") + tmsCycles("0") + tmsCycles("10") +
                   parallel + "\"011X1\" \n\"111X1\" \n" + scan + kExitToIdle,
               {"A"}),
       "! not exact, scans or waits differ: the walk into the scan at", false},
      // Pins declared only after a scan and a walk that the program has written: kestrix takes
      // no PIOMAP once a statement clocks, so the program leaves the PIO characters out rather
      // than write a PIOMAP that kestrix refuses.
      {"pins declared late",
       pcfFile(start + kIdleToDrShift + shiftCycles("1", "") + kExitToIdle + kIdleToDrShift +
               shiftCycles("0", "") + kExitToIdle +
               "bidirectional A\npcf order Parallel is TCK, TMS, TDI, TDO, A\n" + parallel +
               tmsCycles("0", "1") + scan),
       "! not exact: PIO characters that match no PIOMAP are left out\n", true},
      // The set declares its pins again, more of them, after the PIOMAP is written: the map
      // stays what it was, so PIO characters for the new pins are left out, never written
      // against the old map.
      {"pins declared again",
       pcfFile(start + parallel + tmsCycles("0", "1") + scan +
                   "bidirectional A, B\npcf order Parallel is TCK, TMS, TDI, TDO, A, B\n" +
                   parallel + tmsCycles("0", "10") + scan,
               {"A"}),
       "! not exact: PIO characters that match no PIOMAP are left out\n", true},
      // A set that ends right after Capture: the capture stays, the scan stays open.
      {"ends after capture", pcfFile(start + tmsCycles("100")),
       "! not exact: the set leaves the TAP in DRSHIFT, the program in DRPAUSE\n", true},
      // ... or after one bit that does not leave Shift: the bit stays.
      {"ends in shift", pcfFile(start + kIdleToDrShift + shiftCycles("Z", "", false)),
       "! not exact: the set leaves the TAP in DRSHIFT, the program in DRPAUSE\n", true},
      // ... or in Capture, whose capture has not happened: none is added.
      {"ends in capture", pcfFile(start + tmsCycles("110")),
       "! not exact: the set leaves the TAP in IRCAPTURE, the program in RESET\n", true},
  };
  for (const Regression& c : cases) {
    FileSet set = {{"r1.pcf", c.file}};
    RoundTrip trip = roundTrip(set);
    ASSERT_FALSE(trip.first.problem) << c.name << ": " << trip.first.problem->message;
    ASSERT_FALSE(trip.again.empty()) << c.name << ": kestrix refused\n" << trip.svf;
    ASSERT_FALSE(trip.second.problem) << c.name;
    if (c.comment.empty()) {
      EXPECT_EQ(trip.svf.find("! not exact"), std::string::npos) << c.name << "\n" << trip.svf;
      EXPECT_EQ(joined(outline(trip.first, false)), joined(outline(trip.second, false))) << c.name;
    } else {
      EXPECT_NE(trip.svf.find(c.comment), std::string::npos) << c.name << "\n" << trip.svf;
    }
    if (c.scansKept) {
      EXPECT_EQ(joined(outline(trip.first, true)), joined(outline(trip.second, true)))
          << c.name << "\n"
          << trip.svf;
    }
  }
}

}  // namespace
}  // namespace kestrix::replay
