#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <vector>

#include "commands/scan_records.h"
#include "driver/dispatch.h"
#include "test_support.h"

namespace kestrix {
namespace {

// The pin columns of the cycles in a text: TMS, TDI, and TDO of the TCK-0 line.
struct Columns {
  std::string tms, tdi, tdo;
  bool operator==(const Columns&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Columns& c) {
  return out << "tms " << c.tms << " tdi " << c.tdi << " tdo " << c.tdo;
}

Columns columnsOf(const std::string& text) {
  Columns columns;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("\"0", 0) != 0) continue;
    columns.tms += line[2];
    columns.tdi += line[3];
    columns.tdo += line[4];
  }
  return columns;
}

// A scan's bits framed by the walks from IDLE back to IDLE of its side ('D' or 'I').
Columns framed(char side, Columns bits) {
  if (side == '-') return {};
  bool dr = side == 'D';
  return {(dr ? "100" : "1100") + bits.tms + (dr ? "10" : "0110"),
          (dr ? "ZZZ" : "ZZZZ") + bits.tdi + (dr ? "ZZ" : "ZZZZ"),
          (dr ? "XXX" : "XXXX") + bits.tdo + (dr ? "XX" : "XXXX")};
}

// A translation with the TAP in IDLE and the pin block written.
struct Scans : testing::Context {
  explicit Scans(bool commentsOn = false) : Context(commentsOn) {
    t.pass.tap.currentState = TapState::IDLE;
    t.pass.output.pinBlockWritten = true;
  }
};

TEST(Scans, RecordsKeepTheirValuesFromScanToScan) {
  struct Case {
    std::vector<std::string> statements;
    char side;
    Columns bits;
  } const cases[] = {
      {{"SDR 8 TDI(0F) TDO(5A)"}, 'D', {"00000001", "11110000", "LHLHHLHL"}},
      {{"SDR 8 TDI(0F) TDO(FF) MASK(0F)"}, 'D', {"00000001", "11110000", "HHHHXXXX"}},
      {{"SDR 8 TDI(A5) SMASK(F0)"}, 'D', {"00000001", "ZZZZ0101", "XXXXXXXX"}},
      // Kept TDI, TDO released after one scan.
      {{"SDR 8 TDI(A5) TDO(FF)", "SDR 8"}, 'D', {"00000001", "10100101", "XXXXXXXX"}},
      // An SDR whose length changed compares every TDO bit unless a MASK was given since the
      // last DR scan (also in a statement of its own); the stale MASK stays dropped.
      {{"SDR 8 TDI(A5) MASK(0F)", "SDR 16 TDI(A5A5) TDO(FFFF)"},
       'D',
       {"0000000000000001", "1010010110100101", "HHHHHHHHHHHHHHHH"}},
      {{"SDR 8 TDI(A5) MASK(0F)", "SDR 16 TDI(A5A5)", "SDR 16 TDO(FFFF)"},
       'D',
       {"0000000000000001", "1010010110100101", "HHHHHHHHHHHHHHHH"}},
      {{"SDR 8 TDI(A5) MASK(0F)", "MASK(0F)", "SDR 16 TDI(A5A5) TDO(FFFF)"},
       'D',
       {"0000000000000001", "1010010110100101", "HHHHXXXXHHHHHHHH"}},
      {{"SDR 8 TDI(A5) MASK(0F)", "SDR 8 TDI(A5) TDO(FF)"},
       'D',
       {"00000001", "10100101", "HHHHXXXX"}},
      {{"SIR 8 TDI(A5) MASK(0F)", "SIR 16 TDI(A5A5)"},
       'I',
       {"0000000000000001", "1010010110100101", "XXXXXXXXXXXXXXXX"}},
      {{"SDR 8", "SDR 16"}, 'D', {"0000000000000001", std::string(16, 'Z'), std::string(16, 'X')}},
      // A zero length resets the record.
      {{"SDR 8 TDI(A5)", "SDR 0", "SDR 8"}, 'D', {"00000001", "ZZZZZZZZ", "XXXXXXXX"}},
      // Parameters without a length keyword go to the record of the last one.
      {{"SDR 8", "TDI(A5)", "SDR 8"}, 'D', {"00000001", "10100101", "XXXXXXXX"}},
      // Every length keyword recomputes lengthChanged.
      {{"HDR 16 TDI(1)", "SDR 1", "HDR 8", "HDR 8", "SDR 1"},
       'D',
       {"000000001", "10000000Z", "XXXXXXXXX"}},
      // The HDR TDO survives an SIR.
      {{"HDR 8 TDO(FF)", "SIR 4 TDI(0)", "SDR 4 TDI(0)"},
       'D',
       {"000000000001", "ZZZZZZZZ0000", "HHHHHHHHXXXX"}},
      {{"HDR 2 TDI(3)", "SDR 8 TDI(00)"}, 'D', {"0000000001", "1100000000", std::string(10, 'X')}},
      {{"TDR 2 TDI(0)", "SDR 8 TDI(FF)"}, 'D', {"0000000001", "1111111100", std::string(10, 'X')}},
      {{"SIR 4 TDI(5)"}, 'I', {"0001", "1010", "XXXX"}},
      // Only the last bit of the chain leaves the shift state; a chain of no bits writes nothing.
      {{"TDR 2", "SDR 4 TDI(F)"}, 'D', {"000001", "1111ZZ", "XXXXXX"}},
      {{"HDR 3 TDI(5)", "SDR 0"}, 'D', {"001", "101", "XXX"}},
      {{"SDR 0"}, '-', {}},
      // Scans longer than one chunk of pin characters, kept values shorter than the scan.
      {{"SDR 8200 TDI(8" + std::string(2048, '0') + "1) TDO(" + std::string(2050, 'F') +
        ") MASK(0" + std::string(2049, 'F') + ")"},
       'D',
       {std::string(8199, '0') + "1", "1" + std::string(8198, '0') + "1",
        std::string(8196, 'H') + "XXXX"}},
      {{"SDR 8 TDI(0) MASK(0F)", "SDR 5000 TDI(0) TDO(" + std::string(1250, 'F') + ")"},
       'D',
       {std::string(4999, '0') + "1", std::string(5000, '0'), std::string(5000, 'H')}},
  };
  for (const auto& c : cases) {
    Scans scans;
    SCOPED_TRACE(c.statements.back());
    EXPECT_FALSE(scans.translate(c.statements)) << scans.console.out;
    EXPECT_EQ(columnsOf(scans.last), framed(c.side, c.bits));
  }
}

TEST(Scans, TwoScansInOneStatementShareTheValuesButNotTheTdo) {
  Scans scans;
  scans.translate({"SDR 4 TDI(3) TDO(F) SDR 4"});
  Columns first = framed('D', {"0001", "1100", "HHHH"});
  Columns second = framed('D', {"0001", "1100", "XXXX"});
  EXPECT_EQ(columnsOf(scans.last),
            Columns({first.tms + second.tms, first.tdi + second.tdi, first.tdo + second.tdo}));
}

TEST(Scans, WalksInAndOutOfEveryStableState) {
  struct Case {
    const char* scan;
    TapState from;
    TapState end;
    const char* tms;
  } const cases[] = {
      {"SDR 1", TapState::RESET, TapState::IDLE,
       "0100"
       "1"
       "10"},
      // From its own pause state a scan goes on: Exit2, then Shift.
      {"SDR 1", TapState::DRPAUSE, TapState::IDLE,
       "10"
       "1"
       "10"},
      {"SDR 1", TapState::IRPAUSE, TapState::IDLE,
       "11100"
       "1"
       "10"},
      {"SDR 1", TapState::UNDEFINED, TapState::IDLE,
       "11111"
       "0100"
       "1"
       "10"},
      {"SDR 1", TapState::IDLE, TapState::RESET,
       "100"
       "1"
       "10111"},
      {"SDR 1", TapState::IDLE, TapState::DRPAUSE,
       "100"
       "1"
       "0"},
      {"SDR 1", TapState::IDLE, TapState::IRPAUSE,
       "100"
       "1"
       "1011010"},
      {"SIR 1", TapState::RESET, TapState::IDLE,
       "01100"
       "1"
       "0110"},
      {"SIR 1", TapState::DRPAUSE, TapState::IDLE,
       "1101100"
       "1"
       "0110"},
      {"SIR 1", TapState::IRPAUSE, TapState::IDLE,
       "10"
       "1"
       "0110"},
      {"SIR 1", TapState::IDLE, TapState::RESET,
       "1100"
       "1"
       "0110111"},
      {"SIR 1", TapState::IDLE, TapState::DRPAUSE,
       "1100"
       "1"
       "01101010"},
      {"SIR 1", TapState::IDLE, TapState::IRPAUSE,
       "1100"
       "1"
       "0"},
  };
  for (const auto& c : cases) {
    Scans scans;
    scans.t.pass.tap.currentState = c.from;
    bool dr = c.scan[1] == 'D';
    (dr ? scans.t.pass.timing.endDrState : scans.t.pass.timing.endIrState) = c.end;
    SCOPED_TRACE(std::string(c.scan) + " from " + std::string(tapStateKeyword(c.from)) + " to " +
                 std::string(tapStateKeyword(c.end)));
    scans.translate({c.scan});
    EXPECT_EQ(columnsOf(scans.last).tms, c.tms);
    EXPECT_EQ(scans.t.pass.tap.currentState, c.end);
  }
}

TEST(Scans, BitCommentsOfEverySegment) {
  struct Case {
    std::vector<std::string> statements;
    std::size_t walk;
    std::vector<std::string> bitLines;
  } const cases[] = {
      {{"HDR 2", "TDR 1", "SDR 3"},
       3,
       {"\"10ZX\" !Shift-DR HDR bit 0  ", "\"10ZX\" !Shift-DR HDR bit 1  Data Header entered ",
        "\"10ZX\" !Shift-DR SDR bit 0 ", "\"10ZX\" !Shift-DR SDR bit 1 ",
        "\"10ZX\" !Shift-DR SDR bit 2 Data Entered ",
        "\"11ZX\" !Exit1-DR TDR bit 0 Data Trailer entered "}},
      {{"HIR 1", "TIR 1", "SIR 1"},
       4,
       {"\"10ZX\" !Shift-IR HIR bit 0 Instruction Header entered ",
        "\"10ZX\" !Shift-IR SIR bit 0 Instruction entered ",
        "\"11ZX\" !Exit1-IR TIR bit 0 Instruction Trailer entered "}},
  };
  for (const auto& c : cases) {
    Scans scans(true);
    scans.translate(c.statements);
    std::istringstream in(scans.last);
    std::vector<std::string> tck1;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("\"1", 0) == 0) tck1.push_back(line);
    }
    ASSERT_GE(tck1.size(), c.walk + c.bitLines.size()) << scans.last;
    EXPECT_EQ(
        std::vector<std::string>(tck1.begin() + c.walk, tck1.begin() + c.walk + c.bitLines.size()),
        c.bitLines);
  }
}

// A scan must end in a stable state: from any other one the next scan would make no entry
// walk (after DRSHIFT its bits would go into the data register). Each unstable end state
// stops the run at its ENDDR or ENDIR, the keyword and state quoted as written.
TEST(Scans, EndStatesAreStableStatesOnly) {
  for (int i = 0; i < kTapStateCount; ++i) {
    auto state = static_cast<TapState>(i);
    std::string name(tapStateKeyword(state));
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    for (std::string keyword : {"ENDDR", "ENDIR", "enddr"}) {
      for (const std::string& value : {name, lower}) {
        SCOPED_TRACE(keyword + " " + value);
        Scans scans;
        std::string statement = keyword + " " + value;
        bool stopped = scans.translate({statement});
        EXPECT_EQ(stopped, !isStableState(state));
        EXPECT_EQ(scans.last, "");
        if (stopped) {
          EXPECT_EQ(scans.console.out, "\n" + keyword + " state " + value +
                                           " is not a stable state!\nCOMMAND LINE WAS: " +
                                           statement + "\nIn in.svf at line 1.\n");
        }
      }
    }
  }
}

TEST(Scans, ChangedLengthsNeedFreshValues) {
  struct Case {
    std::vector<std::string> statements;
    const char* errors;
    const char* tms;  // written by the last statement before the stop
  } const cases[] = {
      {{"SDR 8 TDI(A5)", "SDR 16"}, "ERROR Must explicitly specify SDR TDI.\n", "100"},
      // A kept SMASK is released, never asked for: the TDI is.
      {{"SIR 8 TDI(A5) SMASK(FF)", "SIR 4"}, "ERROR Must explicitly specify SIR TDI.\n", "1100"},
      {{"HDR 16 TDI(1)", "SDR 1", "HDR 8", "SDR 1"},
       "ERROR Must explicitly specify HDR TDI.\n",
       "100"},
  };
  for (const auto& c : cases) {
    Scans scans;
    SCOPED_TRACE(c.statements.back());
    EXPECT_TRUE(scans.translate(c.statements));
    EXPECT_EQ(scans.console.out, std::string(c.errors) +
                                     "The last line read from input file was : \n\n   " +
                                     c.statements.back() + " \n\nIn in.svf at line " +
                                     std::to_string(c.statements.size()) + ".\n");
    EXPECT_EQ(columnsOf(scans.last).tms, c.tms);
  }
}

TEST(Scans, LengthValues) {
  struct Case {
    const char* value;
    bool stops;
    std::uint32_t length;
  } const cases[] = {
      {"-1", true, 0},
      {"-0", true, 0},
      {"-x", true, 0},
      {" -5", true, 0},
      {"4294967296", true, 0},
      {"99999999999999999999", true, 0},
      {"4294967295", false, 4294967295u},
      // Decimal whole numbers only, after leading blanks.
      {"+8", true, 0},
      {" 12x", true, 0},
      {"abc", true, 0},
      {"0x10", true, 0},
      {"8.5", true, 0},
      {"1E3", true, 0},
      {"8a", true, 0},
      {" \t16", false, 16},
      {"0", false, 0},
      {"007", false, 7},
  };
  for (const auto& c : cases) {
    Scans scans;
    scans.t.lastCommandLine = std::string("SDR ") + c.value;
    scans.t.lastCommandLineNumber = 7;
    SCOPED_TRACE(c.value);
    EXPECT_EQ(scans.stops([&] { setScanLength(scans.t, ScanKind::SDR, c.value); }), c.stops);
    EXPECT_EQ(scans.console.out, c.stops ? std::string("\nInvalid scan length ") + c.value +
                                               "!\nCOMMAND LINE WAS: SDR " + c.value +
                                               "\nIn in.svf at line 7.\n"
                                         : "");
    if (!c.stops) {
      EXPECT_EQ(scans.t.pass.scans.record(ScanKind::SDR).length, c.length);
    }
  }
}

}  // namespace
}  // namespace kestrix
