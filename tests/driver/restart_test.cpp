// Passes that restart are only counted, then the last one is written: the files and console
// text must be exactly those of writing every pass, the straightforward way.
#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "driver/run.h"

namespace kestrix {
namespace {

struct Outcome {
  std::string out, err;
  std::map<std::string, std::string> files;
  int file1Openings;
};

// A pipe gives the input a few bytes at a time, as pipes do, and cannot start again.
struct Pipe {
  bool used = false;
  std::size_t chunk = 7;
  std::size_t scratchLimit = std::numeric_limits<std::size_t>::max();
};

Outcome translate(const std::string& svf, const std::vector<std::string>& options, bool plain,
                  Pipe pipe = {}) {
  MemoryFileSystem files;
  files.files["in.svf"] = svf;
  files.files["head.txt"] = "Board 7\n";
  if (pipe.used) files.pipes = {"in.svf"};
  files.pipeChunk = pipe.chunk;
  files.scratchLimit = pipe.scratchLimit;
  MemoryConsole console;
  std::vector<std::string> args = {"kestrix", "in.svf", "head.txt", "out"};
  args.insert(args.end(), options.begin(), options.end());
  runTranslation(args, console, files, plain);
  // Only an input that cannot start again is kept in a scratch file.
  EXPECT_EQ(files.scratchFiles, pipe.used ? 1 : 0);
  return {console.out, console.err, files.files, files.openings["out1.pcf"]};
}

// `count` scans of `bits` bits with data.
std::string scans(int count, int bits, const std::string& hex = "A5") {
  std::string svf;
  for (int i = 0; i < count; ++i) {
    svf += "SDR " + std::to_string(bits) + " TDI (" + hex + ") TDO (" + hex + ");\n";
  }
  return svf;
}

// A STATE path of `cycles` cycles in place in IDLE.
std::string idlePath(int cycles) {
  std::string svf = "STATE";
  for (int i = 0; i < cycles; ++i) svf += " IDLE";
  return svf + ";\n";
}

struct RestartCase {
  const char* name;
  std::string svf;
  std::vector<std::string> options;
  // The console shows how many times the translation started again.
  int restarts;
};

std::vector<RestartCase> restartCases() {
  std::string messages = "! frequency: 1000000 Hz\nBOGUS 1;\nPIOMAP (IN P1 OUT P2);\n";
  // A path that is valid from DRPAUSE but not from IDLE, where a split leaves the TAP.
  std::string pathAfterSplit = "STATE DRPAUSE;\nSTATE DREXIT2 DRUPDATE IDLE;\n";
  return {
      {"one restart, then a file per statement",
       scans(2, 900) + scans(1, 14000) + scans(3, 50),
       {"-s", "30000"},
       1},
      {"messages and PIO map in the abandoned pass",
       messages + scans(2, 1000) + "PIO (HL);\n" + scans(1, 14000) + "RUNTEST 100 TCK;\n",
       {"-s30000", "-c"},
       1},
      // Pass 2 gives every statement a file of its own; the scan that still overruns pauses
      // across files in pass 3.
      {"a scan that fits in no file",
       scans(2, 500) + scans(1, 16000) + scans(2, 10),
       {"-s", "30000"},
       2},
      {"a statement that is no scan fits in no file",
       "STATE IDLE;\n" + idlePath(15000) + idlePath(2),
       {"-s", "30000"},
       2},
      {"an error only the repeated pass meets",
       scans(1, 1000) + pathAfterSplit + scans(1, 14000) + scans(1, 8),
       {"-s", "30000"},
       1},
      {"several restarts with the default budget",
       "FREQUENCY 1E6 HZ;\n" + scans(60, 5000) + scans(6, 74990) + "RUNTEST 100 TCK; ! end\n! x\n",
       {},
       5},
      // Runs clocked in full are divided between files wherever each pass's count meets
      // them; the count log divides them again.
      {"runs divided between files in every pass",
       "PIOMAP (IN P1);\n" + scans(1, 1000) + "RUNTEST IDLE 15937 TCK;\n" + scans(1, 13000) +
           "RUNTEST DRPAUSE 33000 TCK;\nPIO (H) RUNTEST IDLE 31000 TCK;\n" + scans(2, 14000) +
           "RUNTEST 3 TCK;\n",
       {"-s", "30000"},
       1},
      {"runs with -r and comments",
       "FREQUENCY 1E6 HZ;\n" + scans(1, 1000) + "RUNTEST 15937 TCK;\n" + scans(1, 13000) +
           "RUNTEST 1000 TCK; RUNTEST 2000 TCK;\n" + scans(1, 14000) + "RUNTEST 30000 TCK;\n",
       {"-s", "30000", "-r", "-c"},
       1},
      {"frequency in the rest of a line and a trailing comment",
       scans(1, 1000) + "SDR 8 TDI (1); ! FREQUENCY 5 MHz\n" + scans(1, 14000) +
           "SIR 4 TDI (3);\n! frequency: 2 Hz\n",
       {"-s", "30000", "-c"},
       1},
  };
}

// The plain way leaves behind the files of an abandoned pass that the last pass did not reach.
std::map<std::string, std::string> withoutStaleFiles(
    std::map<std::string, std::string> plain, const std::map<std::string, std::string>& last) {
  for (int n = static_cast<int>(last.size()) - 1;; ++n) {
    if (plain.erase("out" + std::to_string(n) + ".pcf") == 0) return plain;
  }
}

TEST(Restart, CountingPassesGiveTheFilesAndMessagesOfWritingEveryPass) {
  for (const RestartCase& c : restartCases()) {
    SCOPED_TRACE(c.name);
    Outcome plain = translate(c.svf, c.options, true);
    Outcome counted = translate(c.svf, c.options, false);
    EXPECT_EQ(counted.out, plain.out);
    EXPECT_EQ(counted.err, plain.err);
    // Compared whole: a diff of files this long would take the test framework minutes.
    EXPECT_TRUE(counted.files == withoutStaleFiles(plain.files, counted.files));
    // Each pass of the plain way makes file 1 anew; counting makes it at start-up and once more.
    EXPECT_EQ(plain.file1Openings, c.restarts + 1);
    EXPECT_EQ(counted.file1Openings, 2);
  }
}

// Input that cannot start again is kept as it is read: restarts give exactly what the same
// program gives from a regular file, files and console, counting passes or not.
TEST(Restart, InputFromAPipeGivesWhatARegularFileGives) {
  std::vector<RestartCase> cases = restartCases();
  cases.push_back({"no restart", "\xEF\xBB\xBF" + scans(3, 100), {"-c"}, 0});
  cases.push_back({"restart, with a byte-order mark",
                   "\xEF\xBB\xBFSDR 8 TDI (1);\n" + scans(1, 1000) + scans(1, 14000) + scans(1, 8),
                   {"-s", "30000", "-c"},
                   1});
  for (const RestartCase& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool plain : {false, true}) {
      Outcome file = translate(c.svf, c.options, plain);
      for (std::size_t chunk : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
        Outcome piped = translate(c.svf, c.options, plain, {true, chunk});
        EXPECT_EQ(piped.out, file.out) << plain << " " << chunk;
        EXPECT_EQ(piped.err, file.err);
        EXPECT_TRUE(piped.files == file.files) << plain << " " << chunk;
      }
    }
  }
}

// A pipe's copy that cannot be made or kept stops the run where it fails, in the pass that
// meets it and in every pass after, so no pass reads past lost bytes.
TEST(Restart, ACopyOfAPipeThatFailsStopsTheRun) {
  const std::string restarting = scans(1, 1000) + scans(1, 14000) + scans(1, 8);
  struct Case {
    const char* name;
    std::string svf;
    std::size_t scratchLimit;
    std::string console;
  } const cases[] = {
      {"no room at all", restarting, 0, "Cannot write temporary file for input file in.svf!\n"},
      // The first pass keeps the whole input; the writing pass reads the copy.
      {"room for all of it", restarting, restarting.size(),
       "Translation Successful 4 files generated.\n"},
      // The pipe gives 16 bytes at a time: the first statement is read, the second is not.
      {"room for the first statement only", restarting, 40,
       "Cannot write temporary file for input file in.svf!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool plain : {false, true}) {
      Outcome piped = translate(c.svf, {"-s", "30000"}, plain, {true, 16, c.scratchLimit});
      EXPECT_EQ(piped.out, "Maximum vectors recieved are: 30000\n" + c.console) << plain;
      EXPECT_EQ(piped.err, "");
      bool success = c.console.starts_with("Translation");
      EXPECT_EQ(piped.files["out1.pcf"].ends_with("end unit\n"), success) << plain;
    }
  }
}

// Where no copy can be made, a pipe is read once: a translation that needs no restart is not
// hindered, and one that does stops at its first restart.
TEST(Restart, APipeWithoutACopyStopsOnlyWhereARestartIsNeeded) {
  struct Case {
    const char* name;
    std::string svf;
    std::string console;
  } const cases[] = {
      {"no restart", scans(3, 1000), "Translation Successful 1 file generated.\n"},
      {"a restart", scans(1, 1000) + scans(1, 14000) + scans(1, 8),
       "Cannot create temporary file for input file in.svf!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    files.files["in.svf"] = c.svf;
    files.files["head.txt"] = "";
    files.pipes = {"in.svf"};
    files.noScratch = true;
    MemoryConsole console;
    runTranslation({"kestrix", "in.svf", "head.txt", "out", "-s", "30000"}, console, files);
    EXPECT_EQ(console.out, "Maximum vectors recieved are: 30000\n" + c.console);
    bool success = c.console.starts_with("Translation");
    EXPECT_EQ(files.files["out1.pcf"].ends_with("end unit\n"), success);
    EXPECT_EQ(files.files.count("out2.pcf"), 0u);
  }
}

}  // namespace
}  // namespace kestrix
