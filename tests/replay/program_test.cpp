#include "replay/program.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "replay/pcf_builder.h"
#include "replay/round_trip.h"
#include "replay/summary.h"

namespace kestrix::replay {
namespace {

using namespace testing;

// Reset, IDLE, a two-bit DR scan, a wait: 13 cycles, the scan's TCK-0 lines from line 35.
const std::string kBody = kReset + kToIdle + kIdleToDrShift + shiftCycles("1Z", "HX") +
                          kExitToIdle + "end pcf\nwait 5u\npcf\nuse pcf order Scan\n";

ReplayRun replay(const std::vector<std::string>& args, const FileSet& set) {
  ReplayRun run;
  for (const auto& [name, contents] : set) run.files.files[name] = contents;
  MemoryConsole console;
  std::vector<std::string> all = {"kestrix-replay"};
  all.insert(all.end(), args.begin(), args.end());
  run.status = runReplay(all, console, run.files);
  run.out = console.out;
  run.err = console.err;
  return run;
}

TEST(ReplayProgram, ListsTheOperationsOfANumberedSet) {
  FileSet set = {{"out/b1.pcf", pcfFile(kReset + kToIdle)},
                 {"out/b2.pcf", pcfFile(kIdleToDrShift + shiftCycles("1Z", "HX") + kExitToIdle +
                                        "end pcf\nwait 5u\npcf\nuse pcf order Scan\n")}};
  ReplayRun run = replay({"out/b"}, set);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "out/b1.pcf:19: ! UNDEFINED -> RESET (5 cycles)\n"
            "out/b1.pcf:29: ! RESET -> IDLE\n"
            "out/b2.pcf:19: ! IDLE -> DRCAPTURE (2 cycles)\n"
            "out/b2.pcf:23: SDR 2 TDI (1) SMASK (1) TDO (1) MASK (1);\n"
            "out/b2.pcf:34: ! wait 5u\n");
  // The files named, in the order given.
  run = replay({"out/b2.pcf", "out/b1.pcf"}, set);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out.substr(0, 30), "out/b2.pcf:19: ! UNDEFINED -> ");
}

TEST(ReplayProgram, ProblemsGoToStandardErrorWithStatusOne) {
  const std::string good = pcfFile(kReset);
  struct Case {
    const char* name;
    std::vector<std::string> args;
    FileSet set;
    std::string err;
  };
  const Case cases[] = {
      {"missing middle",
       {"o"},
       {{"o1.pcf", good}, {"o3.pcf", good}},
       "kestrix-replay: o2.pcf: is missing from the middle of the set (o3.pcf exists)\n"},
      {"no file",
       {"o"},
       {},
       "kestrix-replay: o1.pcf: cannot be opened: no file of the set was found\n"},
      {"named missing",
       {"o1.pcf", "x.pcf"},
       {{"o1.pcf", good}},
       "kestrix-replay: x.pcf: cannot be opened\n"},
      {"inconsistent",
       {"o"},
       {{"o1.pcf", pcfFile("\"11ZX\" \n")}},
       "kestrix-replay: o1.pcf:19: a TCK-1 line without its TCK-0 line\n"},
      {"incomplete",
       {"o"},
       {{"o1.pcf", good}, {"o2.pcf", kHead + kPinBlock + kReset}},
       "kestrix-replay: o2.pcf:28: the file ends without its trailer (end pcf, end unit): the "
       "translation stopped there and the set is incomplete\n"},
  };
  for (const Case& c : cases) {
    ReplayRun run = replay(c.args, c.set);
    EXPECT_EQ(run.status, 1) << c.name;
    EXPECT_EQ(run.err, c.err) << c.name;
  }
  FileSet set = {{"o1.pcf", good}};
  ReplayRun run;
  run.files.files = {{"o1.pcf", good}};
  run.files.unreadable.insert("o1.pcf");
  MemoryConsole console;
  EXPECT_EQ(runReplay({"kestrix-replay", "o"}, console, run.files), 1);
  EXPECT_EQ(console.err, "kestrix-replay: o1.pcf: cannot be read\n");
}

// A set's files are only read: a waveform named like one of them, or a link to one, is refused
// before anything is created.
TEST(ReplayProgram, TheWaveformNeverOverwritesAFileOfTheSet) {
  const std::string good = pcfFile(kReset);
  struct Case {
    const char* name;
    std::vector<std::string> args;
  } const cases[] = {
      {"numbered", {"--vcd", "o2.pcf", "o"}},
      {"named", {"--vcd", "o1.pcf", "o2.pcf", "o1.pcf"}},
      {"a link to a file of the set", {"--vcd", "wave.vcd", "o"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ReplayRun run;
    run.files.files = {{"o1.pcf", good}, {"o2.pcf", good}};
    run.files.links["wave.vcd"] = "o1.pcf";
    MemoryConsole console;
    std::vector<std::string> args = {"kestrix-replay"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runReplay(args, console, run.files), 1);
    EXPECT_EQ(console.err, "kestrix-replay: " + c.args[1] +
                               " is a file of the set: name another file for the waveform\n");
    EXPECT_EQ(run.files.files["o1.pcf"], good);
    EXPECT_EQ(run.files.files["o2.pcf"], good);
    EXPECT_TRUE(run.files.openings.empty());
  }
}

// kestrix leaves the higher-numbered files of an earlier translation that made more: written
// before file 1, they are not read as part of the set.
TEST(ReplayProgram, AFileWrittenBeforeFileOneEndsTheSet) {
  ReplayRun run;
  run.files.files = {{"o1.pcf", pcfFile(kReset)}, {"o2.pcf", pcfFile(kToIdle)}};
  run.files.modified = {{"o1.pcf", 2000}, {"o2.pcf", 1000}};
  MemoryConsole console;
  EXPECT_EQ(runReplay({"kestrix-replay", "o"}, console, run.files), 1);
  EXPECT_EQ(console.err,
            "kestrix-replay: o2.pcf: was written before o1.pcf: it is left from an earlier "
            "translation that made more files (or the set was copied without its times); remove "
            "it, or name the files of the set\n");
  // Written in order, or named, the files are one set.
  run.files.modified["o2.pcf"] = 2000;
  EXPECT_EQ(runReplay({"kestrix-replay", "--summary", "o"}, console, run.files), 0);
  run.files.modified["o2.pcf"] = 1000;
  EXPECT_EQ(runReplay({"kestrix-replay", "--summary", "o1.pcf", "o2.pcf"}, console, run.files), 0);
}

// A line longer than any the replay needs (an echoed SVF line of hex data) is read by its start
// only, over as many blocks as it takes.
TEST(ReplayProgram, AVeryLongLineIsReadByItsStart) {
  std::string echoed = "! SDR 20000000 TDI (" + std::string(5000000, 'F') + ");\n";
  ReplayRun run = replay({"o"}, {{"o1.pcf", pcfFile(kReset + echoed + kToIdle)}});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "o1.pcf:19: ! UNDEFINED -> RESET (5 cycles)\no1.pcf:30: ! RESET -> IDLE\n");
}

TEST(ReplayProgram, CommandLineMistakes) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const std::string hint = "\nTry 'kestrix-replay --help'.\n";
  const Case cases[] = {
      {{}, "kestrix-replay: no output name or PCF files given" + hint},
      {{"--svf", "--summary", "o"},
       "kestrix-replay: give only one of --svf, --summary and --vector" + hint},
      {{"--file", "2", "o"}, "kestrix-replay: --file goes with --vector" + hint},
      {{"--vector", "0", "o"},
       "kestrix-replay: --vector needs a whole number from 1 on (or a list of them, separated "
       "by commas), not \"0\"" +
           hint},
      {{"--vector", "75,,99", "o"},
       "kestrix-replay: --vector needs a whole number from 1 on (or a list of them, separated "
       "by commas), not \"75,,99\"" +
           hint},
      {{"--frequency", "1E6", "o"}, "kestrix-replay: --frequency goes with --summary" + hint},
      {{"--summary", "--frequency", "0", "o"},
       "kestrix-replay: --frequency needs a number of hertz above 0, such as 1E6, not \"0\"" +
           hint},
      {{"--summary", "--frequency", "1MHz", "o"},
       "kestrix-replay: --frequency needs a number of hertz above 0, such as 1E6, not "
       "\"1MHz\"" +
           hint},
      {{"--vector", "1", "--file", "x", "o"},
       "kestrix-replay: --file needs a whole number from 1 on, not \"x\"" + hint},
      {{"--vcd"}, "kestrix-replay: --vcd needs a value" + hint},
      {{"--bogus", "o"}, "kestrix-replay: unknown option --bogus" + hint},
      {{"-x", "o"}, "kestrix-replay: unknown option -x" + hint},
      {{"-xy", "o"}, "kestrix-replay: unknown option -x" + hint},
      {{"a", "b.pcf"},
       "kestrix-replay: \"a\" does not end in .pcf: give one output name, or PCF files" + hint},
  };
  for (const Case& c : cases) {
    ReplayRun run = replay(c.args, {});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_EQ(run.err, c.err);
    EXPECT_EQ(run.out, "");
  }
  ReplayRun help = replay({"--help"}, {});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out.substr(0, 45), "usage: kestrix-replay [options] outputFile\n  ");
  ReplayRun version = replay({"--version"}, {});
  EXPECT_EQ(version.out, "kestrix-replay " KESTRIX_VERSION "\n");
}

TEST(ReplayProgram, VectorNamesItsOperation) {
  FileSet set = {
      {"o1.pcf", pcfFile(kReset)},
      {"o2.pcf", pcfFile(kReset + kToIdle + kIdleToDrShift + shiftCycles("1Z", "HX") +
                         tmsCycles("0") + tmsCycles("00") + tmsCycles("11") + tmsCycles("0"))}};
  struct Case {
    std::vector<std::string> args;
    std::string out;
  };
  const Case cases[] = {
      {{"--vector", "3"},
       "o1.pcf:21: vector 3 is the TCK-0 line of a cycle made in UNDEFINED: TMS 1, TDI Z, "
       "expected TDO X\no1.pcf:19: ! UNDEFINED -> RESET (5 cycles)\n"},
      // File 2: reset 1-10, RESET -> IDLE 11-12, walk 13-16, Capture 17-18, bits 19-22.
      {{"--vector", "19", "--file", "2"},
       "o2.pcf:37: vector 19 is the TCK-0 line of a cycle made in DRSHIFT: TMS 0, TDI 1, "
       "expected TDO H\no2.pcf:35: SDR 2 TDI (1) SMASK (1) TDO (1) MASK (1);\nit shifts bit 0 of "
       "the scan (bits count from 0 in shift order)\n"},
      {{"--vector", "22", "--file", "2"},
       "o2.pcf:40: vector 22 is the TCK-1 line of a cycle made in DRSHIFT that enters DREXIT1: "
       "TMS 1, TDI Z\no2.pcf:35: SDR 2 TDI (1) SMASK (1) TDO (1) MASK (1);\nit shifts bit 1 of the "
       "scan (bits count from 0 in shift order)\n"},
      // Exit1 -> Pause 23-24, the two cycles in the pause 25-28.
      {{"--vector", "27", "--file", "2"},
       "o2.pcf:45: vector 27 is the TCK-0 line of a cycle made in DRPAUSE: TMS 0, TDI Z, "
       "expected TDO X\no2.pcf:43: ! 2 cycles in DRPAUSE\n"},
      {{"--vector", "17", "--file", "2"},
       "o2.pcf:35: vector 17 is the TCK-0 line of a cycle made in DRCAPTURE that enters DRSHIFT: "
       "TMS 0, TDI Z, expected TDO X\no2.pcf:35: SDR 2 TDI (1) SMASK (1) TDO (1) MASK (1);\n"
       "it is a cycle of the scan outside Shift: no bit\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    args.push_back("o");
    ReplayRun run = replay(args, set);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  ReplayRun past = replay({"--vector", "11", "o1.pcf", "o2.pcf"}, set);
  EXPECT_EQ(past.status, 1);
  EXPECT_EQ(past.err, "kestrix-replay: no vector line 11: o1.pcf has only 10 vector lines\n");
  ReplayRun file = replay({"--vector", "1", "--file", "3", "o"}, set);
  EXPECT_EQ(file.err, "kestrix-replay: no vector line 1: the set has only 2 files\n");
}

// A regression: the lookup once handed the PIO pin names back to itself, for ever.
TEST(ReplayProgram, VectorInASetWithPioPins) {
  std::string body =
      kReset + "use pcf order Parallel\n" + tmsCycles("0", "1") + "use pcf order Scan\n";
  ReplayRun run = replay({"--vector", "11", "o"}, {{"o1.pcf", pcfFile(body, {"A"})}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "o1.pcf:31: vector 11 is the TCK-0 line of a cycle made in RESET that enters IDLE: "
            "TMS 0, TDI Z, expected TDO X, PIO A=1\no1.pcf:31: ! PIO A=1, RESET -> IDLE\n");
}

TEST(ReplayProgram, SummaryTotals) {
  std::string body = "! frequency: 1000000 Hz\n" + kBody + tmsCycles("00");
  ReplayRun run = replay({"--summary", "o"}, {{"o1.pcf", pcfFile(body)}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "files: 1\n"
            "  o1.pcf: 30 vector lines\n"
            "vector lines: 30\n"
            "cycles: 15\n"
            "scans: 1 (SIR 0, 0 bits; SDR 1, 2 bits)\n"
            "cycles that stay in a stable state: 2 (RESET 0, IDLE 2, DRPAUSE 0, IRPAUSE 0)\n"
            "waits: 1, 5e-06 s\n"
            "frequency: 1000000 Hz, from the line \"! frequency: 1000000 Hz\"\n"
            "estimated tester time: 2e-05 s (15 cycles at 1000000 Hz and 5e-06 s of waits)\n"
            "final state: IDLE\n");
  run = replay({"--summary", "o"}, {{"o1.pcf", pcfFile(kReset)}});
  EXPECT_NE(run.out.find("frequency: none in the files, so no tester time is estimated (give "
                         "one with --frequency HZ)\n"),
            std::string::npos);
}

// A set translated without -c from a FREQUENCY statement carries no frequency line: the
// estimate takes the one given, and says where each frequency came from.
TEST(ReplayProgram, SummaryAtAGivenFrequency) {
  const std::string withLine = "! frequency: 1000000 Hz\n" + kBody + tmsCycles("00");
  const std::string withoutLine = kBody + tmsCycles("00");
  struct Case {
    std::string body;
    std::string frequency;
    std::string lines;
  } const cases[] = {
      {withoutLine, "2E6",
       "frequency: 2000000 Hz, from --frequency (the files carry none)\n"
       "estimated tester time: 1.25e-05 s (15 cycles at 2000000 Hz and 5e-06 s of waits)\n"},
      {withLine, "500000",
       "frequency: 500000 Hz, from --frequency (the files carry 1000000 Hz, from the line \"! "
       "frequency: 1000000 Hz\")\n"
       "estimated tester time: 3.5e-05 s (15 cycles at 500000 Hz and 5e-06 s of waits)\n"},
  };
  for (const Case& c : cases) {
    ReplayRun run =
        replay({"--summary", "--frequency", c.frequency, "o"}, {{"o1.pcf", pcfFile(c.body)}});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("waits: 1, 5e-06 s\n" + c.lines + "final state: IDLE\n"),
              std::string::npos)
        << run.out;
  }
}

TEST(ReplayProgram, FrequencyDirectivesAndWaitLengths) {
  EXPECT_EQ(frequencyDirective("! frequency: 25.5 kHz"), 25.5);
  EXPECT_EQ(frequencyDirective("! FREQUENCY 1.0E+06 HZ;"), 1e6);
  EXPECT_EQ(frequencyDirective("! FREQUENCY10MHz"), 10.0);
  EXPECT_FALSE(frequencyDirective("! FREQUENCY"));
  EXPECT_FALSE(frequencyDirective("! Frequency 10 MHz"));
  // As kestrix reads them: a number begins with a digit, and a unit word ends the directive.
  EXPECT_FALSE(frequencyDirective("! FREQUENCY .5E6 HZ"));
  EXPECT_EQ(frequencyDirective("! FREQUENCY 1E6 HZ, was frequency: 2E6"), 1e6);
  EXPECT_DOUBLE_EQ(waitSeconds("100u"), 1e-4);
  EXPECT_DOUBLE_EQ(waitSeconds("2s"), 2.0);
  EXPECT_DOUBLE_EQ(waitSeconds("10"), 1e-5);
}

// The waveform read back: the values of each signal at each time step.
struct Waveform {
  std::map<std::string, std::string> ids;  // name -> id
  std::vector<std::map<std::string, std::string>> steps;

  explicit Waveform(const std::string& text) {
    std::istringstream in(text);
    std::string line;
    std::map<std::string, std::string> now;
    bool defined = false;
    while (std::getline(in, line)) {
      std::istringstream words(line);
      std::string first;
      words >> first;
      if (first == "$var") {
        std::string type, size, id, name;
        words >> type >> size >> id >> name;
        ids[name] = id;
      } else if (first == "$enddefinitions") {
        defined = true;
      } else if (defined && first[0] == '#') {
        // A new time: the values of the one before are complete.
        if (std::stoul(first.substr(1)) > 0) steps.push_back(now);
      } else if (defined && (first[0] == 'b' || first[0] == 's')) {
        std::string id;
        words >> id;
        now[id] = first.substr(1);
      } else if (defined && !first.empty()) {
        now[first.substr(1)] = first.substr(0, 1);
      }
    }
    steps.push_back(now);
  }
  std::string at(std::size_t step, const std::string& name) const {
    return steps.at(step).at(ids.at(name));
  }
};

TEST(ReplayProgram, WaveformReadsBack) {
  ReplayRun run = replay({"--vcd", "w.vcd", "o"}, {{"o1.pcf", pcfFile(kBody)}});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  Waveform wave(run.files.files["w.vcd"]);
  for (const char* name : {"TCK", "TMS", "TDI", "TDO", "state", "scan", "wait"}) {
    EXPECT_EQ(wave.ids.count(name), 1u) << name;
  }
  // 13 cycles of two steps, the wait, and the closing time.
  ASSERT_EQ(wave.steps.size(), 27u + 1u);
  struct Expect {
    std::size_t step;
    std::string tck, tms, tdi, tdo, state, scan;
  };
  const Expect expects[] = {
      {0, "0", "1", "z", "x", "UNDEFINED", "0"},  {9, "1", "1", "z", "x", "RESET", "0"},
      {16, "0", "0", "z", "x", "DRCAPTURE", "1"}, {18, "0", "0", "1", "1", "DRSHIFT", "1"},
      {19, "1", "0", "1", "x", "DRSHIFT", "1"},   {20, "0", "1", "z", "x", "DRSHIFT", "1"},
      {21, "1", "1", "z", "x", "DREXIT1", "1"},   {25, "1", "0", "z", "x", "IDLE", "1"},
      {26, "1", "0", "z", "x", "IDLE", "0"},
  };
  for (const Expect& e : expects) {
    EXPECT_EQ(wave.at(e.step, "TCK"), e.tck) << e.step;
    EXPECT_EQ(wave.at(e.step, "TMS"), e.tms) << e.step;
    EXPECT_EQ(wave.at(e.step, "TDI"), e.tdi) << e.step;
    EXPECT_EQ(wave.at(e.step, "TDO"), e.tdo) << e.step;
    EXPECT_EQ(wave.at(e.step, "state"), e.state) << e.step;
    EXPECT_EQ(std::stoul(wave.at(e.step, "scan"), nullptr, 2), std::stoul(e.scan)) << e.step;
  }
  EXPECT_EQ(wave.at(26, "wait"), "5u");
  EXPECT_EQ(wave.at(25, "wait"), "-");

  ReplayRun denied;
  denied.files.unwritable.insert("w.vcd");
  denied.files.files["o1.pcf"] = pcfFile(kBody);
  MemoryConsole console;
  EXPECT_EQ(runReplay({"kestrix-replay", "--vcd", "w.vcd", "o"}, console, denied.files), 1);
  EXPECT_EQ(console.err, "kestrix-replay: cannot create w.vcd\n");
  MemoryFileSystem full;
  full.files["o1.pcf"] = pcfFile(kBody);
  full.full.insert("w.vcd");
  full.fullAfter = 100;
  MemoryConsole fullConsole;
  EXPECT_EQ(runReplay({"kestrix-replay", "--vcd", "w.vcd", "o"}, fullConsole, full), 1);
  EXPECT_EQ(fullConsole.err, "kestrix-replay: cannot write w.vcd\n");
}

TEST(ReplayProgram, SvfStopsWithTheProblem) {
  ReplayRun run = replay({"--svf", "o"}, {{"o1.pcf", kHead + kPinBlock + kReset}});
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("! the replay stopped: the file ends without its trailer"),
            std::string::npos);
}

}  // namespace
}  // namespace kestrix::replay
