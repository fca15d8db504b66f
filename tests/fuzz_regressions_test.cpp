// Inputs the fuzz targets found faults with. Most faults showed only under the sanitizers, so
// these cases matter most in the sanitizer build; they also check the output.
#include <gtest/gtest.h>

#include <string>

#include "tap/vector_writer.h"
#include "test_support.h"

namespace kestrix {
namespace {

// A commented TCK-1 line without a comment of the caller's: its empty text must not reach
// memcpy (an empty view may hold no pointer at all).
TEST(FuzzRegressions, CommentedCycleWithoutCallerComment) {
  testing::Context context(true);
  context.t.pass.tap.currentState = TapState::IDLE;
  writeCycle(context.t.cycles, '1', 'Z', 'X');
  EXPECT_EQ(context.written(), "\"01ZX\" \n\"11ZX\" !Select-DR-Scan  \n");
}

// After ENDDR IRUPDATE an SDR ends in DREXIT1, from which an SIR makes no entry walk: its
// 20000000 header bits are shifted outside IRSHIFT, 40000000 lines that overrun the budget, so
// the translation restarts until no split point is left. Each counting pass must take those
// cycles in one step, not one by one (a run of minutes under the sanitizers); the writing pass
// stops at the write limit. How fast it runs is for the benchmarks; this checks how it ends.
TEST(FuzzRegressions, ScanOutsideShiftStateRestarts) {
  MemoryFileSystem files;
  files.files["in.svf"] = "HIR 20000000;\nENDDR IRUPDATE;\nSDR 1;\nSIR 1;\nSDR 1;\n";
  files.files["head.txt"] = "";
  files.writeLimit = std::size_t{4} << 20;
  MemoryConsole console;
  runTranslation({"kestrix", "in.svf", "head.txt", "out"}, console, files);
  EXPECT_NE(console.out.find("Cannot write output file out"), std::string::npos) << console.out;
}

}  // namespace
}  // namespace kestrix
