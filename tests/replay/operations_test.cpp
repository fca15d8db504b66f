#include <gtest/gtest.h>

#include "replay/pcf_builder.h"
#include "replay/replay.h"

namespace kestrix::replay {
namespace {

using namespace testing;
using S = State;

Result replayOne(const std::string& body, const std::vector<std::string>& pio = {}) {
  return replayTexts({{"out1.pcf", pcfFile(body, pio)}});
}

template <typename T>
std::vector<T> only(const Result& result) {
  std::vector<T> found;
  for (const Operation& op : result.operations) {
    if (const T* item = std::get_if<T>(&op)) found.push_back(*item);
  }
  return found;
}

// The kind and main figures of every operation, one word each, to compare whole sequences.
std::string outline(const Result& result) {
  std::string text;
  for (const Operation& op : result.operations) {
    if (!text.empty()) text += " ";
    if (const Scan* s = std::get_if<Scan>(&op)) {
      text += std::string(s->ir ? "SIR" : "SDR") + std::to_string(s->tdi.size()) + ">" +
              std::string(stateName(s->end));
    } else if (const Run* r = std::get_if<Run>(&op)) {
      text += "run" + std::to_string(r->cycles) + std::string(stateName(r->state));
    } else if (const Walk* w = std::get_if<Walk>(&op)) {
      text += std::string(stateName(w->from)) + "-" + std::to_string(w->cycles) + "-" +
              std::string(stateName(w->to));
    } else if (const Wait* wt = std::get_if<Wait>(&op)) {
      text += "wait" + wt->amount;
    } else if (const PioCycle* p = std::get_if<PioCycle>(&op)) {
      text += "pio" + p->pins + std::string(stateName(p->state));
    }
  }
  return text;
}

TEST(ReplayOperations, ResetIdleAndOneScanOfEachRegister) {
  std::string body = kReset + tmsCycles("10") + tmsCycles("000") + kIdleToIrShift +
                     shiftCycles("10000000", "") + kExitToIdle + kIdleToDrShift +
                     shiftCycles("0110", "HLXH") + kExitToIdle;
  Result result = replayOne(body);
  ASSERT_FALSE(result.problem) << result.problem->message;
  // The reset, one cycle in RESET, into IDLE, three IDLE cycles, the IR scan, the DR scan.
  EXPECT_EQ(outline(result),
            "UNDEFINED-5-RESET run1RESET RESET-1-IDLE run3IDLE IDLE-3-IRCAPTURE SIR8>IDLE "
            "IDLE-2-DRCAPTURE SDR4>IDLE");
  std::vector<Scan> scans = only<Scan>(result);
  EXPECT_EQ(scans[0].tdi, "10000000");
  EXPECT_EQ(scans[0].tdo, "XXXXXXXX");
  EXPECT_EQ(scans[1].tdi, "0110");
  EXPECT_EQ(scans[1].tdo, "HLXH");
  EXPECT_EQ(scans[1].segments, std::vector<std::uint64_t>{4});
  EXPECT_TRUE(scans[1].updated);
  EXPECT_EQ(result.finalState, S::IDLE);
}

TEST(ReplayOperations, PlacesAreTheTck0LinesWhereOperationsBegin) {
  Result result = replayOne(kReset + kToIdle + kIdleToDrShift + shiftCycles("1", "") + kExitToIdle);
  // Head 6 lines, pin block 12: the first vector line is line 19.
  std::vector<Walk> walks = only<Walk>(result);
  ASSERT_EQ(walks.size(), 3u);
  EXPECT_EQ(walks[0].begin.file, "out1.pcf");
  EXPECT_EQ(walks[0].begin.line, 19u);
  EXPECT_EQ(walks[1].begin.line, 29u);
  // IDLE -> DRSELECT -> DRCAPTURE, then the scan begins with the cycle made in Capture.
  EXPECT_EQ(walks[2].begin.line, 31u);
  EXPECT_EQ(only<Scan>(result)[0].begin.line, 35u);
}

TEST(ReplayOperations, PausesDoNotEndAScan) {
  // Shift 3 bits, pause with 4 cycles and a wait, shift 2 more, pause again, Update.
  std::string body = kReset + kToIdle + kIdleToDrShift + shiftCycles("101", "LLH") +
                     tmsCycles("0") + tmsCycles("0000") + "end pcf\nwait 250u\npcf\n" +
                     "use pcf order Scan\n" + tmsCycles("00") + tmsCycles("10") +
                     shiftCycles("11", "XH") + tmsCycles("0") + tmsCycles("11") + tmsCycles("0");
  Result result = replayOne(body);
  ASSERT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(outline(result),
            "UNDEFINED-5-RESET RESET-1-IDLE IDLE-2-DRCAPTURE SDR5>IDLE run4DRPAUSE wait250u "
            "run2DRPAUSE");
  Scan scan = only<Scan>(result)[0];
  EXPECT_EQ(scan.tdi, "10111");
  EXPECT_EQ(scan.tdo, "LLHXH");
  EXPECT_EQ(scan.segments, (std::vector<std::uint64_t>{3, 2}));
}

TEST(ReplayOperations, AScanGoesOnAcrossFiles) {
  std::string first = kReset + kToIdle + kIdleToIrShift + shiftCycles("110", "") + tmsCycles("0");
  std::string second = tmsCycles("10") + shiftCycles("0011", "") + kExitToIdle;
  Result result = replayTexts({{"out1.pcf", pcfFile(first)}, {"out2.pcf", pcfFile(second)}});
  ASSERT_FALSE(result.problem) << result.problem->message;
  std::vector<Scan> scans = only<Scan>(result);
  ASSERT_EQ(scans.size(), 1u);
  EXPECT_TRUE(scans[0].ir);
  EXPECT_EQ(scans[0].tdi, "1100011");
  EXPECT_EQ(scans[0].segments, (std::vector<std::uint64_t>{3, 4}));
  EXPECT_EQ(scans[0].begin.file, "out1.pcf");
}

TEST(ReplayOperations, UpdateToSelectAndScansThatAreNeverUpdated) {
  // Capture-DR, Exit1, Update straight into Select: a scan of no bits ending in DRSELECT; then an
  // IR scan left paused at the end of the set.
  std::string body = kReset + kToIdle + tmsCycles("10") + tmsCycles("111") + tmsCycles("100") +
                     shiftCycles("01", "") + tmsCycles("00");
  Result result = replayOne(body);
  ASSERT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(outline(result),
            "UNDEFINED-5-RESET RESET-1-IDLE IDLE-2-DRCAPTURE SDR0>DRSELECT DRSELECT-2-IRCAPTURE "
            "SIR2>IRPAUSE run1IRPAUSE");
  std::vector<Scan> scans = only<Scan>(result);
  EXPECT_TRUE(scans[0].updated);
  EXPECT_TRUE(scans[0].segments.empty());
  EXPECT_FALSE(scans[1].updated);
  EXPECT_EQ(result.finalState, S::IRPAUSE);
}

TEST(ReplayOperations, ParallelOrderCyclesArePioCyclesOutsideScans) {
  // The reset clocks with a pattern; then a cycle in IDLE and a one-bit scan with another.
  std::string body = "use pcf order Parallel\n" + tmsCycles("11111", "1X") +
                     "use pcf order Scan\n" + kToIdle + "use pcf order Parallel\n" +
                     tmsCycles("0", "0H") + tmsCycles("1", "0H") + tmsCycles("00", "0H") +
                     "\"011X0H\" \n\"111X0H\" \n" + tmsCycles("10", "0H") + "use pcf order Scan\n";
  Result result = replayOne(body, {"EN", "OK"});
  ASSERT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(outline(result),
            "pio1XUNDEFINED pio1XUNDEFINED pio1XUNDEFINED pio1XUNDEFINED pio1XUNDEFINED "
            "RESET-1-IDLE pio0HIDLE pio0HIDLE pio0HDRSELECT SDR1>IDLE");
  std::vector<PioCycle> pio = only<PioCycle>(result);
  EXPECT_EQ(pio[4].next, S::RESET);
  EXPECT_EQ(pio[6].next, S::DRSELECT);
  EXPECT_EQ(only<Scan>(result)[0].pio, "0H");
}

TEST(ReplayOperations, TheHeadMayHoldAnythingBeforeThePinBlock) {
  std::string header = "\"0000\" \n\"1111\" \npcf\nend pcf\nuse pcf order Parallel\nwait 5u\n";
  std::string file = "! HP PCF File generated by Quorix KESTRIX\n" + header + "\n\n" + kPinBlock +
                     kReset + kTrailer;
  Result result = replayTexts({{"out1.pcf", file}});
  ASSERT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(outline(result), "UNDEFINED-5-RESET");
}

TEST(ReplayOperations, CommentsAndCopiedSvfLinesStandBetweenCycles) {
  std::string body = "! STATE RESET;\n" + tmsCycles("1111") +
                     "\"01ZX\" \n\"11ZX\" !Test-Logic-Reset fifth reset clock \n" +
                     "  // a comment\n\n";
  Result result = replayOne(body);
  ASSERT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(result.finalState, S::RESET);
}

TEST(ReplayOperations, AFileWithoutPinBlockIsHeadAndTrailer) {
  Result result = replayTexts({{"out1.pcf", kHead + kTrailer}});
  EXPECT_FALSE(result.problem);
  EXPECT_TRUE(result.operations.empty());
  EXPECT_EQ(result.finalState, S::UNDEFINED);
}

}  // namespace
}  // namespace kestrix::replay
