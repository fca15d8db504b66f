// Statements the translator must not pass over in silence: unknown commands are skipped whole
// and counted after the summary, Lattice's loops and lone command keywords stop the run.
#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "test_support.h"

namespace kestrix {
namespace {

const std::string kSuccess = "Translation Successful 1 file generated.\n";

// The message of a statement skipped or dropped from, which begins at input line `line`.
std::string invalid(const std::string& statement, int line) {
  return "\nINVALID COMMAND ENCOUNTERED!\n\nCommand line read was :\n   " + statement +
         " \nIn in.svf at line " + std::to_string(line) + ".\n";
}

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool hasTrailer(testing::Run& run) {
  return run.files.files["out1.pcf"].ends_with("end pcf\nend unit\n");
}

TEST(StatementChecks, UnknownCommandsAreSkippedWholeAndCounted) {
  struct Case {
    const char* name;
    std::string svf;
    // The same program without what must be skipped: the files must come out the same.
    std::string same;
    std::string out;
  } const cases[] = {
      {"a mixed-case keyword skips its pairs", "SIR 8 TDI (01);\nSdr 8 TDI (02);\nSIR 8;\n",
       "SIR 8 TDI (01);\nSIR 8;\n",
       invalid("Sdr 8 TDI (02)", 2) + kSuccess +
           "1 statement not translated: see INVALID COMMAND ENCOUNTERED above.\n"},
      {"no TDO of an unknown command reaches a record",
       "SDR 16 TDI (1234);\nXSDR 16 TDI (1234) TDO (ABCD);\nSDR 16 TDI (FFFF);\n",
       "SDR 16 TDI (1234);\nSDR 16 TDI (FFFF);\n",
       invalid("XSDR 16 TDI (1234) TDO (ABCD)", 2) + kSuccess +
           "1 statement not translated: see INVALID COMMAND ENCOUNTERED above.\n"},
      {"a lone unknown word", "FOO;\nSIR 4 TDI (1);\n", "SIR 4 TDI (1);\n",
       // The reader puts a space after a final O.
       invalid("FOO ", 1) + kSuccess +
           "1 statement not translated: see INVALID COMMAND ENCOUNTERED above.\n"},
      {"many unknown words: one message", "A 1 B 2 C 3 D 4;\nE;\nSIR 4 TDI (1);\n",
       "SIR 4 TDI (1);\n",
       invalid("A 1 B 2 C 3 D 4", 1) + invalid("E", 2) + kSuccess +
           "2 statements not translated: see INVALID COMMAND ENCOUNTERED above.\n"},
      // After a known first keyword only the unknown pairs are dropped, with one message.
      {"unknown keywords in the middle", "SIR 4 BAR (2) BAZ 3 TDI (1);\n", "SIR 4 TDI (1);\n",
       invalid("SIR 4 BAR (2) BAZ 3 TDI (1)", 1) + kSuccess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Run run(c.svf);
    testing::Run same(c.same);
    EXPECT_EQ(run.console.out, c.out);
    EXPECT_EQ(run.files.files["out1.pcf"], same.files.files["out1.pcf"]);
  }
}

TEST(StatementChecks, LatticeLoopsStopTheRun) {
  for (std::string keyword : {"LOOP", "ENDLOOP", "LCOUNT", "LDELAY", "LSDR"}) {
    for (const std::string& written : {keyword, lowerCase(keyword)}) {
      SCOPED_TRACE(written);
      // A final P gets a space from the reader.
      std::string statement =
          written == "ENDLOOP" || written == "endloop" ? written + " " : written + " 10";
      testing::Run run("STATE IDLE;\n" + statement + ";\nSIR 4 TDI (1);\n");
      EXPECT_EQ(run.console.out,
                "\n" + written +
                    " is a Lattice extended SVF statement, not SVF: a tester cannot repeat "
                    "statements until TDO matches. Generate standard SVF for this device.\n"
                    "COMMAND LINE WAS: " +
                    statement + "\nIn in.svf at line 2.\n");
      EXPECT_FALSE(hasTrailer(run));
    }
  }
  // Mixed case is no keyword at all: an unknown command.
  testing::Run mixed("Loop 10;\nSIR 4 TDI (1);\n");
  EXPECT_EQ(mixed.console.out,
            invalid("Loop 10", 1) + kSuccess +
                "1 statement not translated: see INVALID COMMAND ENCOUNTERED above.\n");
}

TEST(StatementChecks, ACommandKeywordAloneIsIncomplete) {
  for (std::string keyword :
       {"STATE", "ENDDR", "ENDIR", "RUNTEST", "WAIT", "TRST", "SDR", "SIR", "HDR", "HIR", "TDR",
        "TIR", "TDI", "TDO", "MASK", "SMASK", "PIO", "PIOMAP"}) {
    for (const std::string& written : {keyword, lowerCase(keyword)}) {
      SCOPED_TRACE(written);
      testing::Run run("STATE IDLE;\n" + written + ";\nSIR 4 TDI (1);\n");
      // The reader puts a space after a keyword that ends in one of I, K, O, P, R, T or "TE".
      std::string text = written;
      char last = static_cast<char>(std::toupper(static_cast<unsigned char>(text.back())));
      bool te = text.size() > 1 && last == 'E' && std::toupper(text[text.size() - 2]) == 'T';
      if (std::string("IKOPRT").find(last) != std::string::npos || te ||
          lowerCase(text).rfind("piom", 0) == 0) {
        text += ' ';
      }
      EXPECT_EQ(run.console.out, "\nIncomplete " + written + " statement!\nCOMMAND LINE WAS: " +
                                     text + "\nIn in.svf at line 2.\n");
      EXPECT_FALSE(hasTrailer(run));
    }
  }
  for (const char* frequency : {"FREQUENCY;\n", "frequency;\n"}) {
    testing::Run run(std::string(frequency) + "SIR 4 TDI (1);\n");
    EXPECT_EQ(run.console.out, kSuccess) << frequency;
  }
}

// The header file is checked before file 1 is made: nothing is left behind.
TEST(StatementChecks, HeaderFileChecks) {
  struct Case {
    const char* name;
    std::string header;
    bool sameFile;
    std::string out;  // empty: success
  } const cases[] = {
      {"16 MiB", std::string(std::size_t{16} << 20, 'h'), false, ""},
      {"a byte more", std::string((std::size_t{16} << 20) + 1, 'h'), false,
       "\nHeader file head.txt is larger than 16 MiB!\n"},
      {"the input as the header", "", true,
       "\nThe input file and the header file are the same file!\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryFileSystem files;
    files.files["in.svf"] = "SIR 4 TDI (1);\n";
    files.files["head.txt"] = c.header;
    if (c.sameFile) files.links["head.txt"] = "in.svf";
    MemoryConsole console;
    runTranslation({"kestrix", "in.svf", "head.txt", "out"}, console, files);
    if (c.out.empty()) {
      EXPECT_EQ(console.out, kSuccess);
      EXPECT_EQ(files.files["out1.pcf"].size() > c.header.size(), true);
    } else {
      EXPECT_EQ(console.out, c.out);
      EXPECT_EQ(files.files.count("out1.pcf"), 0u);
    }
  }
}

// UTF-16 text is refused before its first statement, whichever byte order, also from a pipe
// that gives one byte at a time; a UTF-8 mark is passed over as before.
TEST(StatementChecks, Utf16InputIsRefused) {
  const std::string svf = std::string("S\0D\0R\0 \0008\0;\0\n\0", 14);
  for (std::string mark : {std::string("\xFF\xFE"), std::string("\xFE\xFF")}) {
    for (bool pipe : {false, true}) {
      MemoryFileSystem files;
      files.files["in.svf"] = mark + svf;
      files.files["head.txt"] = "";
      if (pipe) {
        files.pipes = {"in.svf"};
        files.pipeChunk = 1;
      }
      MemoryConsole console;
      runTranslation({"kestrix", "in.svf", "head.txt", "out", "-c"}, console, files);
      EXPECT_EQ(console.out,
                "\nThe input file in.svf is UTF-16 text: save it as ASCII or UTF-8.\n");
      EXPECT_EQ(files.files["out1.pcf"], testing::kHead) << "nothing echoed, no trailer";
    }
  }
  testing::Run utf8("\xEF\xBB\xBFSIR 4 TDI (1);\n");
  EXPECT_EQ(utf8.console.out, kSuccess);
}

// A name another translation holds stops the run before file 1 is made or truncated.
TEST(StatementChecks, AnOutputNameInUseIsLeftAlone) {
  MemoryFileSystem files;
  files.files["in.svf"] = "SIR 4 TDI (1);\n";
  files.files["head.txt"] = "";
  files.files["out1.pcf"] = "another translation's file";
  files.lockedElsewhere = {"out1.pcf"};
  MemoryConsole console;
  runTranslation({"kestrix", "in.svf", "head.txt", "out"}, console, files);
  EXPECT_EQ(console.out, "\nOutput file out1.pcf is being written by another translation!\n");
  EXPECT_EQ(files.files["out1.pcf"], "another translation's file");
  EXPECT_EQ(files.openings.count("out1.pcf"), 0u);
  files.lockedElsewhere.clear();
  MemoryConsole alone;
  runTranslation({"kestrix", "in.svf", "head.txt", "out"}, alone, files);
  EXPECT_EQ(alone.out, kSuccess);
  EXPECT_EQ(files.locked, std::set<std::string>{"out1.pcf"});
}

}  // namespace
}  // namespace kestrix
