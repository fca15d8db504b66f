#include "driver/run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "test_support.h"
#include "translation/messages.h"

namespace kestrix {
namespace {

const std::string kTrailer = "end pcf\nend unit\n";
const std::string kNoMapBlock =
    "\ninputs TCK, TMS, TDI\noutputs TDO\n\npower VCC, GND\nfamily TTL\n\n"
    "pcf order default Scan is TCK, TMS, TDI, TDO\n\nunit \"Test\"\npcf\nuse pcf order Scan\n";

// An input with nothing to translate is no success: the head stays in file 1, without trailer.
TEST(Run, InputWithoutStatementStopsTheRun) {
  for (const char* svf : {"", "\n\n", "! only a comment\n// and another\n", ";\n  ;\n"}) {
    testing::Run run(svf);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.console.out, "\nThe input file in.svf holds no SVF statement!\n") << svf;
    EXPECT_EQ(run.files.files["out1.pcf"].find("end unit"), std::string::npos) << svf;
  }
}

struct NameCase {
  std::string outputFile;
  std::int64_t number;
  std::string name;  // empty: no file name was entered
};

const NameCase kNameCases[] = {
    {"out", 1, "out1.pcf"},
    {"out", 12, "out12.pcf"},
    {"jtag.svf", 1, "jtag1.pcf"},
    {"D:\\tests\\boardscan.pcf", 12, "D:\\tests\\boards12.pcf"},
    {"D:\\my.dir\\out", 1, "D:\\my.dir\\out1.pcf"},
    {"", 12, "12.pcf"},
    {"D:\\tests\\", 1, ""},
    {"D:\\tests\\ \t", 1, ""},
    {"out/board", 1, "out/board1.pcf"},
    {"build/x/jtag.svf", 1, "build/x/jtag1.pcf"},
    {"dir/", 1, ""},
    {"a\\b/c.d.e", 3, "a\\b/c.d3.pcf"},
    {"a/b\\c", 3, "a/b\\c3.pcf"},
    {"d/ \tboardscan", 2, "d/ \tboards2.pcf"},
    {" name", 1, " name1.pcf"},
    {"boardscan", 100, "boards100.pcf"},
    {"out", 123456, "out123456.pcf"},
    // The stem is six bytes; a UTF-8 character that does not fit whole is left out.
    {"b\xC3\xB6rdscan", 1, "b\xC3\xB6rds1.pcf"},
    {"abcde\xC3\xA9t", 1, "abcde1.pcf"},
    {"abcd\xE2\x82\xACx", 1, "abcd1.pcf"},
    {"abc\xF0\x9F\x94\xA7", 1, "abc1.pcf"},
    {"ab\xE2\x82\xAC\xC3\xA9", 1,
     "ab\xE2\x82\xAC"
     "1.pcf"},
    {"d/\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9.svf", 1,
     "d/\xC3\xA9\xC3\xA9\xC3\xA9"
     "1.pcf"},
    // Bytes of another encoding (Latin-1) stay as they were.
    {"abcde\xE9t", 1,
     "abcde\xE9"
     "1.pcf"},
    {"\x80\x80\x80\x80\x80\x80\x80", 1,
     "\x80\x80\x80\x80\x80\x80"
     "1.pcf"},
};

TEST(Run, PcfFileNames) {
  for (const NameCase& c : kNameCases) {
    EXPECT_EQ(pcfFileName(c.outputFile, c.number), c.name) << c.outputFile << " " << c.number;
  }
}

// `n` cycles in place in IDLE, 2n lines (n of at least 2).
std::string idle(int n) {
  std::string svf = "STATE";
  for (int i = 0; i < n; ++i) svf += " IDLE";
  return svf + ";\n";
}
// Head 17, pin block 5, the reset clocks and the move to IDLE 14: the count is 36 after it.
const std::string kStart = "STATE IDLE;\n";

struct BudgetCase {
  const char* name;
  std::string svf;
  std::string budget;
  int files;
  std::string console;  // after the "Maximum vectors" line
};

const std::string kTooLarge =
    "\nA statement needs more vector lines than one PCF file may hold (30000).\n";

const BudgetCase kBudgetCases[] = {
    {"a statement begun exactly at the split point stays", kStart + idle(2483) + idle(2), "30002",
     1, "Translation Successful 1 file generated.\n"},
    {"one line past the split point begins file 2", kStart + idle(2483) + idle(2), "30001", 2,
     "Translation Successful 2 files generated.\n"},
    {"one line below the budget splits", kStart + idle(14981) + idle(2), "30000", 2,
     "Translation Successful 2 files generated.\n"},
    // The repeated pass splits before every statement; file 1 holds only head and trailer.
    {"a statement begun at the budget restarts", kStart + idle(14982) + idle(2), "30000", 4,
     "Translation Successful 4 files generated.\n"},
    // The rest of the line that overran is dropped with the pass.
    {"a restart at a statement with a rest on its line",
     kStart + idle(14982).substr(0, 5 + 5 * 14982) + "; " + idle(2), "30000", 4,
     "Translation Successful 4 files generated.\n"},
    // Scans too long for a file pause across files in a last pass with the first split point;
    // any other statement too long for a file ends that pass, quoted in part.
    {"a statement that fits in no file", kStart + idle(15000) + idle(2), "30000", 1,
     kTooLarge + "COMMAND LINE WAS: " + idle(15000).substr(0, 256) +
         "... (75005 characters)\nIn in.svf at line 2.\n"},
};

// The quote after "A statement needs more vector lines": whole up to 256 characters.
TEST(Run, LongStatementsAreQuotedInPart) {
  const std::string x256(256, 'x');
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"SDR 8 TDI (01)", "SDR 8 TDI (01)"},
      {x256, x256},
      {x256 + "y", x256 + "... (257 characters)"},
      {x256 + std::string(1425018 - 256, 'A'), x256 + "... (1425018 characters)"},
  };
  for (const auto& [statement, quoted] : cases) {
    EXPECT_EQ(shortenedStatement(statement), quoted) << statement.size();
  }
}

TEST(Run, BudgetSplitsAndRestarts) {
  for (const BudgetCase& c : kBudgetCases) {
    SCOPED_TRACE(c.name);
    testing::Run run(c.svf, {"-s", c.budget});
    EXPECT_EQ(run.console.out, "Maximum vectors recieved are: " + c.budget + "\n" + c.console);
    for (int n = 1; n <= c.files + 1; ++n) {
      EXPECT_EQ(run.files.files.count("out" + std::to_string(n) + ".pcf"), n <= c.files ? 1u : 0u)
          << "file " << n;
    }
  }
  testing::Run split(kStart + idle(2483) + idle(2), {"-s", "30001"});
  std::string second = split.body(2);
  EXPECT_EQ(second.substr(0, kNoMapBlock.size()), kNoMapBlock);
  EXPECT_EQ(std::count(second.begin(), second.end(), '\n'), 12 + 4 + 2);
  EXPECT_TRUE(second.ends_with(kTrailer));
  testing::Run restart(kStart + idle(14982) + idle(2), {"-s", "30000"});
  EXPECT_EQ(restart.body(1), kTrailer);
}

// The repeated pass starts afresh: TAP state undefined, no frequency, no PIO map.
TEST(Run, RestartResetsTheTranslationState) {
  // A RUNTEST without unit word: 4 cycles and, once a frequency is known, a wait.
  // (That no PIO map is kept is the e2e case restart-fresh-pass: its PIOMAP comes first.)
  std::string first = "RUNTEST IDLE 4000;\n";
  std::string svf = first + "! frequency: 1 MHz\nRUNTEST 4 TCK;\n" + kStart + idle(14974) + kStart;
  testing::Run run(svf, {"-s", "30000"});
  std::string frequency = "Frequency=1MHz\nRunning...";
  EXPECT_EQ(run.console.out, "Maximum vectors recieved are: 30000\n" + frequency + frequency +
                                 "Translation Successful 6 files generated.\n");
  testing::Run fresh(first);
  std::string expected = fresh.files.files["out1.pcf"];
  expected.insert(expected.size() - kTrailer.size(), "! frequency: 1 MHz\n");
  EXPECT_EQ(run.files.files["out2.pcf"], expected);
}

// An open "(" of one statement does not reach the next: 'TDI( )', a TDI without value that is
// dropped, leaves the tokenizer in parenthesis mode.
TEST(Run, EveryStatementStartsOutsideParentheses) {
  testing::Run alone(kStart);
  testing::Run after("HDR 0 TDI( );\n" + kStart);
  EXPECT_EQ(after.console.out, alone.console.out);
  EXPECT_EQ(after.files.files["out1.pcf"], alone.files.files["out1.pcf"]);
}

struct OptionCase {
  std::vector<std::string> args;  // after the program name
  bool posix;
  bool commentsOn;
  std::int64_t budget;
  std::string out, err;
};

std::string received(const std::string& value) {
  return "Maximum vectors recieved are: " + value + "\n";
}

const std::string kOutOfRange = "Out of range (30000 to 1000000): 440000 is used.\n";
std::string extra(const std::string& argument) {
  return "Extra argument " + argument + " is ignored.\n";
}

const std::vector<std::string> kNames = {"in", "h", "o"};
std::vector<std::string> names(std::vector<std::string> options) {
  options.insert(options.begin(), kNames.begin(), kNames.end());
  return options;
}

const OptionCase kOptionCases[] = {
    {names({}), false, false, 440000, "", ""},
    {names({"-c"}), false, true, 440000, "", ""},
    {names({"-s", "75000"}), false, false, 75000, received("75000"), ""},
    {names({"-s75000"}), false, false, 75000, received("75000"), ""},
    {names({"-cs", "75000"}), false, true, 75000, received("75000"), ""},
    {names({"-cs75000"}), false, true, 75000, received("75000"), ""},
    {names({"-sc"}), false, false, 440000, received("0") + kOutOfRange, ""},
    {names({"-s", "-c"}), false, false, 440000, received("0") + kOutOfRange, ""},
    {names({"-s", "29999"}), false, false, 440000, received("29999") + kOutOfRange, ""},
    {names({"-s", "30000"}), false, false, 30000, received("30000"), ""},
    {names({"-s", "1000000"}), false, false, 1000000, received("1000000"), ""},
    {names({"-s", "1000001"}), false, false, 440000, received("1000001") + kOutOfRange, ""},
    {names({"-s", "abc"}), false, false, 440000, received("0") + kOutOfRange, ""},
    {names({"-s", "4294997296"}), false, false, 440000, received("4294997296") + kOutOfRange, ""},
    {names({"-s", " +50000x"}), false, false, 50000, received("50000"), ""},
    {names({"-s", "99999999999999999999"}), false, false, 440000,
     received("9223372036854775807") + kOutOfRange, ""},
    {names({"-s", "-50000"}), false, false, 440000, received("-50000") + kOutOfRange, ""},
    {names({"-s", "50000", "-s", "60000"}), false, false, 60000,
     received("50000") + received("60000"), ""},
    {names({"-x", "-c"}), false, true, 440000, "", "./kx: illegal option -- x\n"},
    {names({"-c", "-s"}), false, true, 440000, "", "./kx: option requires an argument -- s\n"},
    // The last -s decides the budget, and whether it is out of range.
    {names({"-s", "20000", "-s", "50000"}), false, false, 50000,
     received("20000") + received("50000"), ""},
    {names({"-s", "50000", "-s", "20000"}), false, false, 440000,
     received("50000") + received("20000") + kOutOfRange, ""},
    // Arguments after the three names that are not options are named, in their order.
    {names({"--", "-c"}), false, false, 440000, extra("-c"), ""},
    {names({"extra", "-c"}), false, true, 440000, extra("extra"), ""},
    {names({"a", "-c", "-", "b"}), false, true, 440000, extra("a") + extra("-") + extra("b"), ""},
    {names({"-s", "1", "x"}), false, false, 440000, received("1") + kOutOfRange + extra("x"), ""},
    {{"-c", "h", "o"}, false, true, 440000, "", ""},
    // An option among the first three is also a name; the value of -s is no extra argument.
    {{"in", "h", "-s", "30000", "o"}, false, false, 30000, received("30000") + extra("o"), ""},
    {names({"-c", "-s", "50000"}), true, false, 440000, extra("-c") + extra("-s") + extra("50000"),
     ""},
    {{"-c", "h", "o", "-s", "50000"}, true, true, 440000, extra("-s") + extra("50000"), ""},
};

TEST(Run, OptionParsing) {
  const char* saved = std::getenv("POSIXLY_CORRECT");
  std::optional<std::string> original = saved ? std::optional<std::string>(saved) : std::nullopt;
  for (const OptionCase& c : kOptionCases) {
    std::string shown;
    for (const std::string& arg : c.args) shown += " " + arg;
    SCOPED_TRACE(shown + (c.posix ? " with POSIXLY_CORRECT" : ""));
    if (c.posix) {
      setenv("POSIXLY_CORRECT", "1", 1);
    } else {
      unsetenv("POSIXLY_CORRECT");
    }
    std::vector<std::string> args = {"./kx"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    Options options;
    options.commentsOn = !c.commentsOn;
    MemoryConsole console;
    readOptions(args, options, console);
    fixBudget(options);
    EXPECT_EQ(options.commentsOn, c.commentsOn);
    EXPECT_EQ(options.maxVectors, c.budget);
    EXPECT_EQ(options.splitThreshold, c.budget - 25000);
    EXPECT_EQ(console.out, c.out);
    EXPECT_EQ(console.err, c.err);
  }
  if (original) {
    setenv("POSIXLY_CORRECT", original->c_str(), 1);
  } else {
    unsetenv("POSIXLY_CORRECT");
  }
}

// --help and --version wherever they stand before a "--" end the run at once with status 0,
// and no file is made; any other run keeps status 1.
TEST(Run, HelpAndVersion) {
  MemoryConsole usage;
  printUsage(usage, "kx");
  struct Case {
    std::vector<std::string> args;  // after the program name
    int status;
    std::string out;
  };
  const Case cases[] = {
      {{"--help"}, 0, usage.out},
      {{"--version"}, 0, "kestrix 1.0\n"},
      {{"in.svf", "head.txt", "out", "-c", "--version", "--help"}, 0, "kestrix 1.0\n"},
      {{"in.svf", "--help", "out"}, 0, usage.out},
      {{"in.svf", "head.txt", "out", "--", "--help"},
       1,
       "Extra argument --help is ignored.\nTranslation Successful 1 file generated.\n"},
      {{"--helpme"}, 1, usage.out},
      {{}, 1, usage.out},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + "...");
    MemoryConsole console;
    MemoryFileSystem files;
    files.files["in.svf"] = "TRST OFF;\n";
    files.files["head.txt"] = "";
    std::vector<std::string> args = {"kx"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    EXPECT_EQ(runTranslation(args, console, files), c.status);
    EXPECT_EQ(console.out, c.out);
    EXPECT_EQ(console.err, "");
    EXPECT_EQ(files.files.count("out1.pcf"), c.out.ends_with("generated.\n") ? 1u : 0u);
  }
}

// "-" names the standard input; the file name "-" is not opened.
TEST(Run, DashIsTheStandardInput) {
  MemoryConsole console;
  MemoryFileSystem files;
  files.files["/dev/stdin"] = "STATE RESET;\n";
  files.files["-"] = "not this";
  files.files["head.txt"] = "";
  runTranslation({"kx", "-", "head.txt", "out"}, console, files);
  EXPECT_EQ(console.out, "Translation Successful 1 file generated.\n");
  EXPECT_NE(files.files["out1.pcf"].find("\"11ZX\""), std::string::npos);
  // A closed standard input is told by the name given.
  files.files.erase("/dev/stdin");
  console.out.clear();
  runTranslation({"kx", "-", "head.txt", "out"}, console, files);
  EXPECT_EQ(console.out, "Cannot open input file -!\n");
}

const std::string kAbsent = "<absent>";
// A comment and a statement that writes nothing.
const std::string kNote = "! note\nTRST OFF;\n";
// The whole file 1 of the input kNote.
const std::string kNoteFile = std::string(testing::kHead) + "! note\n" + kTrailer;

struct FailureCase {
  const char* name;
  std::string svf;
  std::vector<std::string> args;  // after the program name
  std::function<void(MemoryFileSystem&)> prepare;
  std::string out, err;
  std::string file1;  // or kAbsent, or kAny
};

const std::string kAny = "<any>";
std::vector<std::string> files3(std::vector<std::string> options) {
  options.insert(options.begin(), {"in.svf", "head.txt", "out"});
  return options;
}

std::vector<FailureCase> failureCases() {
  auto none = [](MemoryFileSystem&) {};
  auto missing = [](std::string name) {
    return [name](MemoryFileSystem& files) { files.files.erase(name); };
  };
  auto unreadable = [](std::string name) {
    return [name](MemoryFileSystem& files) { files.unreadable.insert(name); };
  };
  auto full = [](std::string name, std::size_t after) {
    return [name, after](MemoryFileSystem& files) {
      files.full.insert(name);
      files.fullAfter = after;
    };
  };
  std::string ok = "Translation Successful 1 file generated.\n";
  std::string splitting = kStart + idle(2483) + idle(2);
  std::string restarting = kStart + idle(14982) + idle(2);
  return {
      {"diagnostics go to stderr and the run goes on", kNote, files3({"-x", "-s", "50000"}), none,
       received("50000") + ok, "kestrix: illegal option -- x\n", kNoteFile},
      {"input missing", kNote, files3({}), missing("in.svf"), "Cannot open input file in.svf!\n",
       "", kAbsent},
      // The head stays in file 1, without trailer.
      {"input unreadable", kNote, files3({}), unreadable("in.svf"),
       "Cannot open input file in.svf!\n", "", testing::kHead},
      {"header missing, before the options", kNote, files3({"-s", "50000"}), missing("head.txt"),
       "Cannot open input file head.txt!\n", "", kAbsent},
      {"header unreadable", kNote, files3({}), unreadable("head.txt"),
       "Cannot open input file head.txt!\n", "", kAbsent},
      {"output cannot be created", kNote, files3({}),
       [](MemoryFileSystem& f) { f.unwritable.insert("out1.pcf"); },
       "Cannot open output file out1.pcf!\n", "", kAbsent},
      {"no output name after the separator",
       kNote,
       {"in.svf", "head.txt", "D:\\t\\", "-c"},
       none,
       "\nAn output file name was not entered!!\n",
       "",
       kAbsent},
      {"disk full at once", kNote, files3({}), full("out1.pcf", 0),
       "Cannot write output file out1.pcf!\n", "", ""},
      {"disk full at the last byte", kNote, files3({}), full("out1.pcf", kNoteFile.size() - 1),
       "Cannot write output file out1.pcf!\n", "", kNoteFile.substr(0, kNoteFile.size() - 1)},
      {"a file that just fits", kNote, files3({}), full("out1.pcf", kNoteFile.size()), ok, "",
       kNoteFile},
      {"disk full in file 2", splitting, files3({"-s", "30001"}), full("out2.pcf", 100),
       received("30001") + "Cannot write output file out2.pcf!\n", "", kAny},
      {"disk full after a restart", restarting, files3({"-s", "30000"}), full("out2.pcf", 200),
       received("30000") + "Cannot write output file out2.pcf!\n", "", kAny},
  };
}

TEST(Run, FailuresAreReportedNeverAsSuccess) {
  for (const FailureCase& c : failureCases()) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    files.files["in.svf"] = c.svf;
    files.files["head.txt"] = "";
    c.prepare(files);
    std::vector<std::string> args = {"kestrix"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    MemoryConsole console;
    EXPECT_EQ(runTranslation(args, console, files), 1);
    EXPECT_EQ(console.out, c.out);
    EXPECT_EQ(console.err, c.err);
    if (c.file1 == kAbsent) {
      EXPECT_EQ(files.files.size(), files.files.count("in.svf") + files.files.count("head.txt"));
    } else if (c.file1 != kAny) {
      EXPECT_EQ(files.files["out1.pcf"], c.file1);
    }
  }
}

}  // namespace
}  // namespace kestrix
