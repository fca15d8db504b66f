#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "driver/run.h"
#include "replay/program.h"

namespace kestrix::replay {
namespace {

// STATE RESET is vectors 1-10, STATE IDLE 11-14, the SIR 15-46 (its walk from IDLE 15-22),
// the RUNTEST 47-54 with its wait after 54, the SDR 55-80 (in the section the wait opened).
const std::string kProgram =
    "FREQUENCY 1E6 HZ;\n"
    "STATE RESET;\n"
    "STATE IDLE;\n"
    "SIR 8 TDI (01);\n"
    "RUNTEST 100 TCK;\n"
    "SDR 8 TDI (A5)\n"
    "  TDO (5A);\n";

struct Replayed {
  int status = 0;
  std::string out;
  std::string err;
};

// Files translated with -m, in memory, then changed by a test.
struct MappedSet {
  MemoryFileSystem files;
  explicit MappedSet(const std::string& svf, std::vector<std::string> options = {}) {
    files.files["in.svf"] = svf;
    files.files["head.txt"] = "";
    std::vector<std::string> args = {"kestrix", "in.svf", "head.txt", "out", "-m"};
    args.insert(args.end(), options.begin(), options.end());
    MemoryConsole console;
    runTranslation(args, console, files);
  }
  Replayed replay(std::vector<std::string> args) {
    args.insert(args.begin(), "kestrix-replay");
    MemoryConsole console;
    Replayed run;
    run.status = runReplay(args, console, files);
    run.out = console.out;
    run.err = console.err;
    return run;
  }
};

TEST(ReplayMap, AVectorLeadsToItsSvfLine) {
  MappedSet set(kProgram);
  struct Case {
    const char* where;
    std::string vector;
    std::string svfLine;
  } const cases[] = {
      {"in a walk", "15", "in.svf:4: SIR 8 TDI (01)\n"},
      {"in a scan", "65", "in.svf:6: SDR 8 TDI (A5) TDO (5A)\n"},
      {"in a wait's section", "56", "in.svf:6: SDR 8 TDI (A5) TDO (5A)\n"},
      {"in a run", "47", "in.svf:5: RUNTEST 100 TCK\n"},
  };
  for (const Case& c : cases) {
    Replayed run = set.replay({"--vector", c.vector, "out"});
    EXPECT_EQ(run.status, 0) << c.where << run.err;
    EXPECT_TRUE(run.out.ends_with(c.svfLine)) << c.where << "\n" << run.out;
    // The same answer as without the map, and the SVF line besides.
    MemoryFileSystem withoutMap = set.files;
    withoutMap.files.erase("out.map");
    MemoryConsole console;
    runReplay({"kestrix-replay", "--vector", c.vector, "out"}, console, withoutMap);
    EXPECT_EQ(run.out, console.out + c.svfLine) << c.where;
  }
}

// A tester's failure log pasted in: one answer per vector, in the order given; a vector that
// is not in the file is an error that leaves the others answered.
TEST(ReplayMap, AListOfVectors) {
  MappedSet set(kProgram);
  Replayed run = set.replay({"--vector", "65,15,999", "out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kestrix-replay: no vector line 999: out1.pcf has only 80 vector lines\n");
  std::size_t scan = run.out.find("vector 65 is");
  std::size_t walk = run.out.find("vector 15 is");
  ASSERT_NE(scan, std::string::npos);
  ASSERT_NE(walk, std::string::npos);
  EXPECT_LT(scan, walk);
  EXPECT_NE(run.out.find("in.svf:6: SDR 8 TDI (A5) TDO (5A)\n"), std::string::npos);
  EXPECT_TRUE(run.out.ends_with("in.svf:4: SIR 8 TDI (01)\n"));
}

TEST(ReplayMap, TheListingEndsEachLineWithItsSvfLine) {
  MappedSet set(kProgram);
  Replayed run = set.replay({"out"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "out1.pcf:19: ! UNDEFINED -> RESET (5 cycles) ! in.svf:2\n"
            "out1.pcf:29: ! 1 cycle in RESET ! in.svf:3\n"
            "out1.pcf:31: ! RESET -> IDLE ! in.svf:3\n"
            "out1.pcf:33: ! IDLE -> IRCAPTURE (3 cycles) ! in.svf:4\n"
            "out1.pcf:39: SIR 8 TDI (01); ! in.svf:4\n"
            "out1.pcf:65: ! 4 cycles in IDLE ! in.svf:5\n"
            "out1.pcf:74: ! wait 100u ! in.svf:5\n"
            "out1.pcf:77: ! IDLE -> DRCAPTURE (2 cycles) ! in.svf:6\n"
            "out1.pcf:81: SDR 8 TDI (A5) TDO (5A) MASK (FF); ! in.svf:6\n");
}

// The map and the set must agree; any difference is a problem, never a silent wrong answer.
TEST(ReplayMap, AMapThatDoesNotFitTheSetIsAProblem) {
  const std::string longer = "STATE IDLE;\nSDR 20000 TDI (0);\nSDR 20000 TDI (0);\n";
  const std::string another = ": the map is of another translation, or the set was changed";
  struct Case {
    const char* name;
    std::string svf;
    std::vector<std::string> options;
    void (*change)(MemoryFileSystem&);
    std::string err;
  } const cases[] = {
      {"the last file of the set missing",
       longer,
       {"-s", "30000"},
       [](MemoryFileSystem& f) {
         // The highest number: the set then ends early, with no gap to show it.
         int last = 1;
         while (f.files.count("out" + std::to_string(last + 1) + ".pcf") != 0) ++last;
         f.files.erase("out" + std::to_string(last) + ".pcf");
       },
       "kestrix-replay: out.map: the map names out4.pcf, which is not in the set" + another +
           " (or the set is incomplete)\n"},
      {"a map of another set",
       kProgram,
       {},
       [](MemoryFileSystem& f) {
         MemoryConsole console;
         f.files["other.svf"] = "STATE RESET;\n";
         runTranslation({"kestrix", "other.svf", "head.txt", "other", "-m"}, console, f);
         f.files["out.map"] = f.files["other.map"];
       },
       "kestrix-replay: out.map: the map names other1.pcf, which is not in the set" + another +
           " (or the set is incomplete)\n"},
      {"a map of another program, same names",
       kProgram,
       {},
       [](MemoryFileSystem& f) {
         f.files["out.map"] = MappedSet("STATE RESET;\n").files.files["out.map"];
       },
       "kestrix-replay: out.map: out1.pcf has 80 vector lines, the map gives it 10" + another +
           "\n"},
      {"a wait moved",
       kProgram,
       {},
       [](MemoryFileSystem& f) {
         std::string& map = f.files["out.map"];
         map.replace(map.find("# wait\tout1.pcf\t54"), 18, "# wait\tout1.pcf\t46");
       },
       "kestrix-replay: out.map: the waits of out1.pcf are not where the map puts them" + another +
           "\n"},
      {"marked incomplete",
       kProgram,
       {},
       [](MemoryFileSystem& f) { f.files["out.map"] += "# incomplete\n"; },
       "kestrix-replay: out.map:9: the map is marked incomplete: the translation stopped on an "
       "error, so the set is incomplete too\n"},
      {"not a map",
       kProgram,
       {},
       [](MemoryFileSystem& f) { f.files["out.map"] = "SDR 8;\n"; },
       "kestrix-replay: out.map:1: not a kestrix map: its first line does not begin with \"# "
       "kestrix map 1\"\n"},
      {"rows with a gap",
       kProgram,
       {},
       [](MemoryFileSystem& f) {
         std::string& map = f.files["out.map"];
         map.replace(map.find("out1.pcf\t11\t14"), 14, "out1.pcf\t12\t14");
       },
       "kestrix-replay: out.map:4: the rows of out1.pcf do not follow each other: vector 12 "
       "where 11 was next\n"},
      {"a broken row",
       kProgram,
       {},
       [](MemoryFileSystem& f) { f.files["out.map"] += "out1.pcf\t81\tx\t7\tSDR\n"; },
       "kestrix-replay: out.map:9: a row of the map that is not file, first and last vector, SVF "
       "line and statement\n"},
  };
  for (const Case& c : cases) {
    MappedSet set(c.svf, c.options);
    ASSERT_EQ(set.replay({"out"}).status, 0) << c.name;
    c.change(set.files);
    for (const char* mode : {"", "--vector"}) {
      std::vector<std::string> args = {"out"};
      if (*mode != '\0') args = {"--vector", "1", "out"};
      Replayed run = set.replay(args);
      EXPECT_EQ(run.status, 1) << c.name << " " << mode;
      EXPECT_EQ(run.err, c.err) << c.name << " " << mode;
    }
  }
}

// Files named one by one use a map only when --map names it.
TEST(ReplayMap, NamedFilesTakeTheMapGiven) {
  MappedSet set(kProgram);
  Replayed run = set.replay({"--vector", "65", "out1.pcf"});
  EXPECT_EQ(run.out.find("in.svf:"), std::string::npos);
  run = set.replay({"--vector", "65", "--map", "out.map", "out1.pcf"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(run.out.ends_with("in.svf:6: SDR 8 TDI (A5) TDO (5A)\n"));
  run = set.replay({"--map", "none.map", "out"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "kestrix-replay: none.map: cannot be opened\n");
}

}  // namespace
}  // namespace kestrix::replay
