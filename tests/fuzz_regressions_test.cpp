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

// ENDDR IRUPDATE once left the SDR in DREXIT1, from which an SIR made no entry walk: its
// 20000000 header bits were shifted outside IRSHIFT, over restart after restart. An end state
// that is not stable now stops the run where it is named, before any of those bits.
TEST(FuzzRegressions, UnstableEndStateStopsBeforeTheScans) {
  MemoryFileSystem files;
  files.files["in.svf"] = "HIR 20000000;\nENDDR IRUPDATE;\nSDR 1;\nSIR 1;\nSDR 1;\n";
  files.files["head.txt"] = "";
  MemoryConsole console;
  runTranslation({"kestrix", "in.svf", "head.txt", "out"}, console, files);
  EXPECT_EQ(console.out,
            "\nENDDR state IRUPDATE is not a stable state!\nCOMMAND LINE WAS: ENDDR IRUPDATE \n"
            "In in.svf at line 2.\n");
}

}  // namespace
}  // namespace kestrix
