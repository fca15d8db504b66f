#include "tap/steady_shift.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "tap/vector_writer.h"
#include "test_support.h"

namespace kestrix {
namespace {

using S = TapState;

struct SteadyCase {
  const char* name;
  bool commentsOn;
  std::string pio;
  S state;
  std::uint64_t firstBit;
  std::uint64_t count;
  BitNumberComment comment;
};

// The bulk writer must give exactly the lines of one writeCycle per cycle: every line layout
// (plain, commented, with a PIO pattern), counts that end inside a table entry, a group of 16
// and a block of 64, bit numbers that gain a digit, and the steady states outside the shift.
TEST(SteadyShift, WritesTheLinesOfOneCycleAtATime) {
  const SteadyCase cases[] = {
      {"plain, odd count", false, "\"", S::DRSHIFT, 0, 1001, {"SDR bit ", ""}},
      {"plain, one cycle", false, "\"", S::IRSHIFT, 7, 1, {"SIR bit ", ""}},
      {"plain, whole blocks", false, "\"", S::DRSHIFT, 0, 256, {"SDR bit ", ""}},
      {"commented, numbers gain digits", true, "\"", S::DRSHIFT, 95, 1010, {"SDR bit ", ""}},
      {"commented header, blank after the number",
       true,
       "\"",
       S::DRSHIFT,
       0,
       130,
       {"HDR bit ", " "}},
      {"commented, in Pause-DR", true, "\"", S::DRPAUSE, 999990, 33, {"TIR bit ", ""}},
      {"commented, in Run-Test-Idle", true, "\"", S::IDLE, 3, 17, {"HIR bit ", ""}},
      {"PIO pattern", false, "10HZ\"", S::DRSHIFT, 0, 150, {"SDR bit ", ""}},
      {"PIO pattern, commented", true, "LX\"", S::IRSHIFT, 9, 150, {"SIR bit ", ""}},
  };
  std::mt19937_64 random(16);
  for (const SteadyCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<ShiftLevels> levels((c.count + 63) / 64);
    for (ShiftLevels& block : levels) block = {random(), random(), random(), random()};
    // Runs of undriven and uncompared cycles too.
    levels[0].driven &= 0xFFFF0000FFFFFFFFu;
    levels[0].compared &= 0xFFFFFFFF0000FFFFu;

    testing::Context bulk(c.commentsOn);
    bulk.t.pass.pio.PIOstring = c.pio;
    bulk.t.pass.tap = {c.state, TrstMode::kOn};
    writeSteadyShift(bulk.t.cycles, c.firstBit, c.count, levels.data(), c.comment);

    testing::Context single(c.commentsOn);
    single.t.pass.pio.PIOstring = c.pio;
    single.t.pass.tap = {c.state, TrstMode::kOff};
    for (std::uint64_t k = 0; k < c.count; ++k) {
      const ShiftLevels& block = levels[k / 64];
      auto bit = static_cast<unsigned>(k % 64);
      std::string comment = std::string(c.comment.prefix) + std::to_string(c.firstBit + k) +
                            std::string(c.comment.suffix);
      writeCycle(single.t.cycles, '0', block.tdiChar(bit), block.tdoChar(bit), comment);
    }
    EXPECT_EQ(bulk.written(), single.written());
    EXPECT_EQ(bulk.t.pass.output.vectorCount, static_cast<std::int64_t>(2 * c.count));
    EXPECT_EQ(bulk.t.pass.tap.currentState, c.state);
    EXPECT_EQ(bulk.t.pass.tap.trstMode, TrstMode::kOff);
  }
}

// A counting pass charges the lines and writes nothing.
TEST(SteadyShift, CountingPassOnlyCharges) {
  MemoryConsole console;
  testing::Context context;
  context.t.output = std::make_unique<PcfFile>("out1.pcf", console);
  context.t.pass.tap = {S::DRSHIFT, TrstMode::kOff};
  writeSteadyShift(context.t.cycles, 0, 5000, nullptr, {"SDR bit ", ""});
  EXPECT_EQ(context.t.pass.output.vectorCount, 10000);
}

}  // namespace
}  // namespace kestrix
