// What the device sees: programs are translated, and the files they give are replayed by a TAP
// that follows TMS alone, with its own state table. The cases say what the device must see in
// those terms: scans with their bits, waits, states.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "replay/replay.h"
#include "test_support.h"

namespace kestrix {
namespace {

using replay::State;

// Translates `svf` with `options` and replays every file of the set it wrote, in order.
struct Seen {
  testing::Run run;
  replay::Result result;
  int files = 0;

  explicit Seen(const std::string& svf, std::vector<std::string> options = {})
      : run(svf, std::move(options)) {
    std::vector<std::pair<std::string, std::string>> set;
    for (int n = 1;; ++n) {
      auto found = run.files.files.find("out" + std::to_string(n) + ".pcf");
      if (found == run.files.files.end()) break;
      set.emplace_back(found->first, found->second);
    }
    files = static_cast<int>(set.size());
    result = replay::replayTexts(set);
  }

  template <typename Kind>
  std::vector<Kind> all() const {
    std::vector<Kind> found;
    for (const replay::Operation& op : result.operations) {
      if (const Kind* kind = std::get_if<Kind>(&op)) found.push_back(*kind);
    }
    return found;
  }
  std::vector<replay::Scan> scans(bool ir) const {
    std::vector<replay::Scan> found;
    for (const replay::Scan& scan : all<replay::Scan>()) {
      if (scan.ir == ir) found.push_back(scan);
    }
    return found;
  }
  std::vector<std::string> waits() const {
    std::vector<std::string> amounts;
    for (const replay::Wait& wait : all<replay::Wait>()) amounts.push_back(wait.amount);
    return amounts;
  }
};

// A hex value of `bits` bits from a fixed pseudo-random sequence, and its bits in shift order
// (least significant first), as the device must receive them.
struct Data {
  std::string hex;
  std::string bits;
};

Data pseudoRandom(std::uint64_t bits, std::uint64_t& seed) {
  Data data;
  data.bits.resize(bits);
  for (std::uint64_t i = 0; i < bits; ++i) {
    seed = seed * 6364136223846793005u + 1442695040888963407u;
    data.bits[i] = (seed >> 60 & 1) != 0 ? '1' : '0';
  }
  for (std::uint64_t digit = (bits + 3) / 4; digit-- > 0;) {
    int value = 0;
    for (int b = 3; b >= 0; --b) {
      std::uint64_t i = 4 * digit + static_cast<std::uint64_t>(b);
      value = value * 2 + (i < bits && data.bits[i] == '1' ? 1 : 0);
    }
    data.hex += "0123456789ABCDEF"[value];
  }
  return data;
}

// Lattice writes a long configuration scan as chunks that rest in Pause-DR between them.
TEST(DeviceView, ChunksFromPauseDrAreOneScanWithoutUpdateBetweenThem) {
  std::uint64_t seed = 1;
  std::string svf = "STATE IDLE;\nSIR 8 TDI (7A);\nENDDR DRPAUSE;\n";
  std::string bits;
  for (int chunk = 0; chunk <= 100; ++chunk) {
    Data data = pseudoRandom(chunk < 100 ? 8000 : 4832, seed);
    svf += "SDR " + std::to_string(data.bits.size()) + " TDI (" + data.hex + ");\n";
    bits += data.bits;
  }
  svf += "ENDDR IDLE;\nRUNTEST IDLE 2 TCK 1.00E-02 SEC;\n";
  Seen seen(svf);
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  // The default budget splits the 1.6 million lines between chunks, in Pause-DR.
  EXPECT_EQ(seen.files, 4);
  std::vector<replay::Scan> dr = seen.scans(false);
  ASSERT_EQ(dr.size(), 1u) << "one DR scan of 804,832 bits, no Update-DR between the chunks";
  EXPECT_EQ(dr[0].tdi.size(), 804832u);
  EXPECT_TRUE(dr[0].tdi == bits);
  EXPECT_EQ(dr[0].segments.size(), 101u);
  EXPECT_EQ(dr[0].segments.front(), 8000u);
  EXPECT_EQ(dr[0].segments.back(), 4832u);
  EXPECT_TRUE(dr[0].updated);
  EXPECT_EQ(seen.scans(true).size(), 1u);
  EXPECT_EQ(seen.waits(), std::vector<std::string>{"10000u"});
}

TEST(DeviceView, WaitsAndRunsInPauseDrKeepTheScanOpen) {
  Seen seen(
      "! frequency: 1000000 Hz\nSTATE IDLE;\nENDDR DRPAUSE;\nSDR 8 TDI (A5);\n"
      "RUNTEST DRPAUSE 100 TCK;\nSDR 4 TDI (3);\nRUNTEST DRPAUSE 2.50E+00 SEC;\n");
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  std::vector<replay::Scan> dr = seen.scans(false);
  ASSERT_EQ(dr.size(), 1u);
  EXPECT_EQ(dr[0].tdi,
            "10100101"
            "1100");
  EXPECT_EQ(dr[0].segments, (std::vector<std::uint64_t>{8, 4}));
  // The second RUNTEST waits and stays in Pause-DR: the scan is never updated.
  EXPECT_FALSE(dr[0].updated);
  EXPECT_EQ(seen.waits(), (std::vector<std::string>{"100u", "3s"}));
  EXPECT_EQ(seen.result.finalState, State::DRPAUSE);
}

// The same chunks over a split of a small budget: the new file leaves the TAP in the pause.
TEST(DeviceView, ASplitBetweenChunksKeepsOneScan) {
  std::uint64_t seed = 7;
  Data first = pseudoRandom(2480, seed);
  Data second = pseudoRandom(12, seed);
  Seen seen("STATE RESET;\nENDIR IRPAUSE;\nSIR 2480 TDI (" + first.hex + ");\nSIR 12 TDI (" +
                second.hex + ");\nENDIR IDLE;\nSIR 4 TDI (A);\n",
            {"-s", "30000"});
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  EXPECT_EQ(seen.files, 2);
  std::vector<replay::Scan> ir = seen.scans(true);
  ASSERT_EQ(ir.size(), 1u);
  EXPECT_TRUE(ir[0].tdi == first.bits + second.bits + "0101");
  EXPECT_EQ(ir[0].segments.size(), 3u);
}

TEST(DeviceView, TrstOnResetsTheDeviceByTmsAlone) {
  // From Pause-DR, where the TAP rests after a scan: the scan that follows must begin from
  // Test-Logic-Reset, and it is the scan that the program gives.
  Seen midway("STATE IDLE;\nENDDR DRPAUSE;\nSDR 4 TDI (F);\nTRST ON;\nSDR 8 TDI (A5);\n");
  ASSERT_FALSE(midway.result.problem) << midway.result.problem->message;
  std::vector<replay::Scan> dr = midway.scans(false);
  ASSERT_EQ(dr.size(), 2u);
  EXPECT_EQ(dr[0].tdi, "1111");
  EXPECT_EQ(dr[1].tdi, "10100101");
  std::vector<replay::Run> resets;
  for (const replay::Run& run : midway.all<replay::Run>()) {
    if (run.state == State::RESET) resets.push_back(run);
  }
  EXPECT_FALSE(resets.empty()) << "the TAP is in Test-Logic-Reset after TRST ON";
  // As the first statement, the five cycles make the state known.
  Seen first("TRST ON;\n");
  ASSERT_FALSE(first.result.problem) << first.result.problem->message;
  EXPECT_EQ(first.result.finalState, State::RESET);
}

TEST(DeviceView, AWaitAsTheFirstStatementResetsTheDeviceInsideThePcfSection) {
  // Its reset clocks and its cycle into Run-Test/Idle are applied, so the scan after it starts
  // from the state the program expects.
  for (const char* svf :
       {"WAIT 10 TCK;\nSDR 8 TDI (A5);\n", "WAIT 1 TCK ENDSTATE RESET;\nSIR 4 TDI (6);\n"}) {
    Seen seen(svf);
    ASSERT_FALSE(seen.result.problem) << svf << seen.result.problem->message;
    std::vector<replay::Scan> scans = seen.all<replay::Scan>();
    ASSERT_EQ(scans.size(), 1u) << svf;
    EXPECT_EQ(scans[0].tdi, scans[0].ir ? "0110" : "10100101") << svf;
  }
}

TEST(DeviceView, AnSdrWhoseLengthChangedComparesEveryTdoBit) {
  Seen seen("SDR 8 TDI (A5) MASK (0F);\nSDR 16 TDI (A5A5) TDO (FFFF);\nSDR 16 TDO (0000);\n");
  std::vector<replay::Scan> dr = seen.scans(false);
  ASSERT_EQ(dr.size(), 3u);
  EXPECT_EQ(dr[1].tdo, std::string(16, 'H'));
  EXPECT_EQ(dr[2].tdo, std::string(16, 'L'));
}

TEST(DeviceView, WaitsAreNeverShorterThanAsked) {
  Seen seen(
      "FREQUENCY 1E6 HZ;\nSTATE IDLE;\nRUNTEST 1300000 TCK;\nRUNTEST 50021E-6 SEC;\n"
      "RUNTEST 999.9E-6 SEC;\nRUNTEST 7.001 SEC;\n");
  EXPECT_EQ(seen.waits(), (std::vector<std::string>{"2s", "50021u", "1000u", "8s"}));
}

// The cycles of a RUNTEST or STATE after a PIO pattern in the same statement carry its pins, in
// the pin order Parallel, wait block included.
TEST(DeviceView, ClockingStatementsAfterAPioPatternUseTheParallelOrder) {
  Seen seen(
      "PIOMAP (IN A OUT B);\n! frequency: 1000000 Hz\nSTATE IDLE;\nPIO (HL) RUNTEST 100 TCK;\n"
      "PIO (LD) STATE DRPAUSE;\n");
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  std::vector<replay::PioCycle> pio = seen.all<replay::PioCycle>();
  ASSERT_EQ(pio.size(), 8u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(pio[i].pins, "10");
  EXPECT_EQ(pio[5].state, State::IDLE);
  EXPECT_EQ(pio[5].pins, "0L");
  EXPECT_EQ(pio[7].state, State::DRPAUSE);
  EXPECT_EQ(seen.waits(), std::vector<std::string>{"100u"});
}

// A scan longer than any file pauses across files: one scan with every bit, no Update and no
// Capture between the files.
TEST(DeviceView, AScanLongerThanAFilePausesAcrossFiles) {
  struct Case {
    const char* name;
    bool ir;
    std::uint64_t header, data, trailer;
    int segments;
  } const cases[] = {
      {"SDR of 40,000 bits", false, 0, 40000, 0, 3},
      {"SDR of 100,000 bits with a header and a trailer", false, 15000, 100000, 5000, 9},
      {"SIR of 16,000 bits", true, 0, 16000, 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::uint64_t seed = 3;
    Data header = pseudoRandom(c.header, seed);
    Data data = pseudoRandom(c.data, seed);
    Data trailer = pseudoRandom(c.trailer, seed);
    std::string side = c.ir ? "IR" : "DR";
    std::string svf = "STATE IDLE;\n";
    if (c.header > 0)
      svf += "H" + side + " " + std::to_string(c.header) + " TDI (" + header.hex + ");\n";
    if (c.trailer > 0) {
      svf += "T" + side + " " + std::to_string(c.trailer) + " TDI (" + trailer.hex + ");\n";
    }
    svf += "S" + side + " " + std::to_string(c.data) + " TDI (" + data.hex + ") TDO (" + data.hex +
           ");\nRUNTEST 100 TCK;\n";
    Seen seen(svf, {"-s", "30000"});
    ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
    std::vector<replay::Scan> scans = seen.scans(c.ir);
    ASSERT_EQ(scans.size(), 1u);
    EXPECT_TRUE(scans[0].tdi == header.bits + data.bits + trailer.bits);
    std::string expected(c.header, 'X');
    for (char bit : data.bits) expected += bit == '1' ? 'H' : 'L';
    expected += std::string(c.trailer, 'X');
    EXPECT_TRUE(scans[0].tdo == expected);
    EXPECT_EQ(scans[0].segments.size(), static_cast<std::size_t>(c.segments));
    EXPECT_TRUE(scans[0].updated);
    // One file per stretch of the scan, and one more when the statement after it is past the
    // split point.
    EXPECT_GE(seen.files, c.segments);
    for (int n = 1; n <= seen.files; ++n) {
      const std::string& file = seen.run.files.files["out" + std::to_string(n) + ".pcf"];
      EXPECT_LE(std::count(file.begin(), file.end(), '\n'), 30000) << "file " << n;
    }
  }
}

// Without a frequency to wait for them, the device gets every cycle the program asks for.
TEST(DeviceView, WithoutAFrequencyTheDeviceSeesEveryRunCycle) {
  struct Case {
    const char* svf;
    std::vector<std::string> options;
    State state;
    std::vector<std::string> waits;
  } const cases[] = {
      {"STATE IDLE;\nRUNTEST 2000 TCK;\n", {}, State::IDLE, {}},
      {"STATE IDLE;\nRUNTEST 2000 TCK 1E-3 SEC;\n", {}, State::IDLE, {"1000u"}},
      {"STATE IDLE;\nRUNTEST DRPAUSE 2000 TCK ENDSTATE IDLE;\n", {}, State::DRPAUSE, {}},
      {"STATE IDLE;\nRUNTEST DRPAUSE 2000 TCK 2E-3 SEC;\n", {}, State::DRPAUSE, {"2000u"}},
      // With -r, at a frequency known: 2 ms of cycles, then what is left of 5 ms is not cut.
      {"FREQUENCY 1E6 HZ;\nSTATE IDLE;\nRUNTEST 2000 TCK 5E-3 SEC;\n",
       {"-r"},
       State::IDLE,
       {"5000u"}},
      {"FREQUENCY 1E6 HZ;\nSTATE IDLE;\nRUNTEST 2000 TCK 1E-3 SEC;\n", {"-r"}, State::IDLE, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.svf);
    Seen seen(c.svf, c.options);
    ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
    std::vector<replay::Run> runs;
    for (const replay::Run& run : seen.all<replay::Run>()) {
      if (run.state == c.state && run.cycles >= 2000) runs.push_back(run);
    }
    ASSERT_EQ(runs.size(), 1u) << "the device sees one run in the run state";
    EXPECT_EQ(runs[0].cycles, 2000u);
    EXPECT_EQ(seen.waits(), c.waits);
  }
}

// A run longer than a file's room goes on in the next file, where the TAP rests in the run
// state: one run of all its cycles, every file within the budget, no restart.
TEST(DeviceView, ARunLongerThanAFileGoesOnInTheNextFiles) {
  for (bool comments : {false, true}) {
    SCOPED_TRACE(comments ? "with -c" : "without -c");
    std::vector<std::string> options = {"-s", "30000"};
    if (comments) options.push_back("-c");
    Seen seen("STATE IDLE;\nRUNTEST 40000 TCK;\nSIR 4 TDI (A);\n", options);
    ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
    std::vector<replay::Run> runs;
    for (const replay::Run& run : seen.all<replay::Run>()) {
      if (run.state == State::IDLE) runs.push_back(run);
    }
    ASSERT_EQ(runs.size(), 1u)
        << "one run of 40,000 cycles, the TAP in Run-Test/Idle between files";
    EXPECT_EQ(runs[0].cycles, 40000u);
    EXPECT_EQ(seen.scans(true).size(), 1u);
    // Three files for the run, and a fourth for the SIR past the split point.
    EXPECT_EQ(seen.files, 4);
    EXPECT_EQ(seen.run.console.out,
              "Maximum vectors recieved are: 30000\nTranslation Successful 4 files generated.\n");
    for (int n = 1; n < seen.files; ++n) {
      const std::string& file = seen.run.files.files["out" + std::to_string(n) + ".pcf"];
      EXPECT_LE(std::count(file.begin(), file.end(), '\n'), 30000) << "file " << n;
      if (comments && n > 1) {
        EXPECT_NE(file.find("\"10ZX\" !Run-Test-Idle  \n"), std::string::npos) << "file " << n;
      }
    }
  }
}

// A statement whose first keyword is unknown reaches no scan record: the next SDR compares
// nothing that the program did not ask for.
TEST(DeviceView, AnUnknownCommandLeavesTheScansAsTheProgramGivesThem) {
  Seen seen(
      "SDR 16 TDI (1234);\nLSDRX 16 TDI (1234) TDO (ABCD);\nSdr 16 TDO (FFFF);\n"
      "SDR 16 TDI (FFFF);\n");
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  std::vector<replay::Scan> dr = seen.scans(false);
  ASSERT_EQ(dr.size(), 2u) << "two DR scans of 16 bits, nothing of the skipped statements";
  EXPECT_EQ(dr[1].tdi, std::string(16, '1'));
  EXPECT_EQ(dr[1].tdo, std::string(16, 'X'));
}

// An end state must be stable: ENDDR DRSHIFT stops the run before any SIR bit could go into
// the data register; with ENDDR DRPAUSE the SIR starts from Pause-DR through Update-DR.
TEST(DeviceView, ScansEndInStableStatesOnly) {
  Seen refused("STATE IDLE;\nENDDR DRSHIFT;\nSDR 8 TDI (A5);\nSIR 4 TDI (1);\n");
  EXPECT_TRUE(refused.all<replay::Scan>().empty());
  Seen paused("STATE IDLE;\nENDDR DRPAUSE;\nSDR 8 TDI (A5);\nSIR 4 TDI (1);\n");
  ASSERT_FALSE(paused.result.problem) << paused.result.problem->message;
  std::vector<replay::Scan> scans = paused.all<replay::Scan>();
  ASSERT_EQ(scans.size(), 2u);
  EXPECT_FALSE(scans[0].ir);
  EXPECT_EQ(scans[0].tdi, "10100101");
  EXPECT_TRUE(scans[1].ir);
  EXPECT_EQ(scans[1].tdi, "1000");
}

// The pin order Parallel names the PIO pins right after TDO, as the lines carry them: each
// pin's character stands under its own name. Sets written with a TRST name after TDO (which no
// line carries) read the same.
TEST(DeviceView, PioPinsCarryTheirCharactersUnderTheirNames) {
  Seen seen("PIOMAP (IN PROG_B OUT DONE INOUT INIT_B);\nSTATE IDLE;\nPIO (LUZ);\n");
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  EXPECT_EQ(seen.result.pioNames, (std::vector<std::string>{"PROG_B", "DONE", "INIT_B"}));
  std::vector<replay::PioCycle> pio = seen.all<replay::PioCycle>();
  ASSERT_EQ(pio.size(), 1u);
  EXPECT_EQ(pio[0].pins, "0HZ") << "PROG_B driven low, DONE expected high, INIT_B released";
  std::string old = seen.run.files.files["out1.pcf"];
  std::string order = "pcf order Parallel is TCK, TMS, TDI, TDO, ";
  old.replace(old.find(order), order.size(), order + "TRST, ");
  replay::Result oldSet = replay::replayTexts({{"out1.pcf", old}});
  ASSERT_FALSE(oldSet.problem) << oldSet.problem->message;
  EXPECT_EQ(oldSet.pioNames, seen.result.pioNames);
  EXPECT_EQ(oldSet.operations.size(), seen.result.operations.size());
}

// After a length change every segment drops a kept MASK and SMASK: every TDO bit given is
// compared and every TDI bit driven.
TEST(DeviceView, ALengthChangeComparesAndDrivesEveryBitOfEverySegment) {
  Seen seen(
      "HIR 4 TDI (0) SMASK (3);\nTIR 4 TDI (0) MASK (3);\nSIR 4 TDI (0) SMASK (1) MASK (1);\n"
      "HIR 8 TDI (FF);\nTIR 8 TDI (00) TDO (FF);\nSIR 8 TDI (A5) TDO (5A);\n");
  ASSERT_FALSE(seen.result.problem) << seen.result.problem->message;
  std::vector<replay::Scan> ir = seen.scans(true);
  ASSERT_EQ(ir.size(), 2u);
  // Header, data, trailer in shift order: bit 0 of each first.
  EXPECT_EQ(ir[1].tdi,
            "11111111"
            "10100101"
            "00000000");
  EXPECT_EQ(ir[1].tdo,
            "XXXXXXXX"
            "LHLHHLHL"
            "HHHHHHHH");
}

}  // namespace
}  // namespace kestrix
