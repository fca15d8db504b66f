// Counting passes replay what the statements did in the passes before them; whatever the log
// holds, the files and console text must be those of writing every pass.
#include "driver/count_log.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/run.h"

namespace kestrix {
namespace {

struct Outcome {
  std::string out;
  std::map<std::string, std::string> files;
};

Outcome translate(const std::string& svf, const std::vector<std::string>& options, bool plain) {
  MemoryFileSystem files;
  files.files["in.svf"] = svf;
  files.files["head.txt"] = "";
  MemoryConsole console;
  std::vector<std::string> args = {"kestrix", "in.svf", "head.txt", "out"};
  args.insert(args.end(), options.begin(), options.end());
  runTranslation(args, console, files, plain);
  return {console.out + console.err, files.files};
}

std::string repeat(int count, const std::string& statement) {
  std::string svf;
  for (int i = 0; i < count; ++i) svf += statement;
  return svf;
}

// Six scans of 149990 lines: with the default budget the last file overruns at every split
// point from 415000 down to 315000.
std::string longScans() { return repeat(6, "SDR 74990 TDI (1) TDO (0);\n"); }

TEST(CountLog, ReplayedPassesGiveTheResultOfWritingEveryPass) {
  const struct {
    const char* name;
    std::string svf;
    std::vector<std::string> options;
  } cases[] = {
      // A split puts the TAP in IDLE where the logged pass had it in Pause-DR: the log cannot
      // tell, and the pass is counted again.
      {"scans that end in Pause-DR",
       "ENDDR DRPAUSE;\n" + repeat(60, "SDR 5000 TDI (1);\n") + longScans(),
       {}},
      {"messages between the statements",
       repeat(30, "SDR 5000 TDI (1);\nBOGUS 1;\n! frequency: 1 MHz\n") + longScans(),
       {"-c"}},
      // The first pass logs only so many statements; the passes after it go on from there.
      {"more statements than the first pass logs",
       repeat(static_cast<int>(CountLog::kFirstPassStatements) + 5000, "SIR 1 TDI (1);\n") +
           "BOGUS 2;\n" + longScans(),
       {}},
      {"a pass that ends in the pass that pauses scans",
       repeat(20, "SDR 2000 TDI (1);\n") + repeat(2, "SDR 14990 TDI (1);\n"),
       {"-s", "30000"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Outcome plain = translate(c.svf, c.options, true);
    EXPECT_NE(plain.out.find("Translation Successful"), std::string::npos) << plain.out;
    // Writing every pass may leave files of an abandoned pass behind; the others are equal.
    Outcome counted = translate(c.svf, c.options, false);
    EXPECT_EQ(counted.out, plain.out);
    for (const auto& [name, contents] : counted.files)
      EXPECT_EQ(contents, plain.files[name]) << name;
  }
}

}  // namespace
}  // namespace kestrix
