#include "commands/parallel_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "driver/dispatch.h"
#include "test_support.h"

namespace kestrix {
namespace {

// A translation with the TAP in `state`; PIOMAP writes the pin block.
struct Pio : testing::Context {
  explicit Pio(TapState state = TapState::IDLE) { t.pass.tap.currentState = state; }
};

TEST(ParallelIo, PatternCharactersInBothCases) {
  for (const char* pattern : {"HLZUDX", "hlzudx"}) {
    Pio pio;
    definePioMap(pio.t, "IN A IN B IN C OUT D OUT E INOUT F");
    setPioPattern(pio.t, pattern);
    EXPECT_EQ(pio.t.pass.pio.PIOstring, "10ZHLX\"") << pattern;
  }
}

TEST(ParallelIo, MapTakesEverySecondWord) {
  struct Case {
    const char* value;
    std::vector<std::string> names;
    std::int64_t pinBlockLines;
  } const cases[] = {
      {"IN P1 OUT P2 INOUT P3", {"P1", "P2", "P3"}, 10},
      {"IN P1 OUT", {"P1"}, 8},
      {"IN", {}, 5},
  };
  for (const auto& c : cases) {
    Pio pio;
    definePioMap(pio.t, c.value);
    EXPECT_EQ(pio.t.pass.pio.names, c.names) << c.value;
    EXPECT_EQ(pio.t.pass.pio.names.size(), c.names.size()) << c.value;
    // The map's pin block is written even though the file has one already.
    EXPECT_EQ(pio.t.pass.output.vectorCount, c.pinBlockLines) << c.value;
  }
}

TEST(ParallelIo, Messages) {
  const std::string lastLine = "The last line read from input file was : \n\n   ";
  struct Case {
    std::vector<std::string> statements;
    std::string message;
  } const cases[] = {
      {{"PIO (H)"},
       "Tried to execute a PIO command before a PIO MAP was defined. \n" + lastLine +
           "PIO (H) \n\n"},
      {{"PIOMAP (IN P1 OUT P2 INOUT P3)", "PIO (H L X)"},
       "Number of characters in the PIO command do not match the number of logical names\n"
       "from the PIO MAP.\n"},
      {{"PIOMAP (IN P1 OUT)", "PIO (HL)"},
       "Number of characters in the PIO command do not match the number of logical names\n"
       "from the PIO MAP.\n"},
      {{"PIOMAP (IN P1 OUT P2 INOUT P3)", "PIO (HQX)"},
       "Invalid character 'Q' in the PIO command.\n" + lastLine + "PIO (HQX) \n\n"},
      {{"PIOMAP (IN P1)", "PIOMAP (IN P2)"},
       "\nPIO Map has already been defined!!\nOnly one PIO Map definition allowed per file.\n"
       "Command line read was: \nPIOMAP (IN P2)\n"},
  };
  for (const auto& c : cases) {
    Pio pio;
    EXPECT_TRUE(pio.translate(c.statements)) << c.statements.back();
    EXPECT_EQ(pio.console.out,
              c.message + "In in.svf at line " + std::to_string(c.statements.size()) + ".\n");
    EXPECT_EQ(pio.last, "");
  }
}

TEST(ParallelIo, PatternRidesOnTheCyclesOfItsStatement) {
  struct Case {
    TapState from;
    const char* statement;
    std::string lines;
  } const cases[] = {
      {TapState::IDLE, "PIO (HU)", "\"00ZX1H\" \n\"10ZX1H\" \n"},
      {TapState::UNDEFINED, "PIO (HU)",
       "\"01ZX1H\" \n\"11ZX1H\" \n\"01ZX1H\" \n\"11ZX1H\" \n\"01ZX1H\" \n\"11ZX1H\" \n"
       "\"01ZX1H\" \n\"11ZX1H\" \n\"01ZX1H\" \n\"11ZX1H\" \n"},
      // The last pattern of a statement is the one of all its cycles.
      {TapState::IDLE, "PIO (HU) PIO (LD)", "\"00ZX0L\" \n\"10ZX0L\" \n\"00ZX0L\" \n\"10ZX0L\" \n"},
      // With a scan the PIO writes no cycle of its own.
      {TapState::IDLE, "SDR 3 TDI(1) PIO (LD)",
       "\"01ZX0L\" \n\"11ZX0L\" \n\"00ZX0L\" \n\"10ZX0L\" \n\"00ZX0L\" \n\"10ZX0L\" \n"
       "\"001X0L\" \n\"101X0L\" \n\"000X0L\" \n\"100X0L\" \n\"010X0L\" \n\"110X0L\" \n"
       "\"01ZX0L\" \n\"11ZX0L\" \n\"00ZX0L\" \n\"10ZX0L\" \n"},
  };
  for (const auto& c : cases) {
    Pio pio(c.from);
    pio.translate({"PIOMAP (IN A OUT B)"});
    std::int64_t before = pio.t.pass.output.vectorCount;
    EXPECT_FALSE(pio.translate({c.statement})) << pio.console.out;
    EXPECT_EQ(pio.last, "use pcf order Parallel\n" + c.lines + "use pcf order Scan\n");
    EXPECT_EQ(pio.t.pass.output.vectorCount - before,
              2 + static_cast<std::int64_t>(std::count(c.lines.begin(), c.lines.end(), '\n')));
    EXPECT_EQ(pio.t.pass.pio.PIOstring, "\"");
  }
}

}  // namespace
}  // namespace kestrix
