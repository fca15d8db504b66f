#include <gtest/gtest.h>

#include "replay/pcf_builder.h"
#include "replay/replay.h"

namespace kestrix::replay {
namespace {

using namespace testing;

// The first vector line of a file built by pcfFile without PIO pins.
constexpr std::uint64_t kFirstVector = 19;

struct ProblemCase {
  const char* name;
  std::string file;
  std::uint64_t line;
  std::string message;
};

const std::string kNoSection =
    "no pcf section: this line stands where only a pcf section may hold it, and no pin block (a "
    "unit \"Test\" line, then \"pcf\") opens one; the file is not one kestrix wrote, or was "
    "edited";

std::vector<ProblemCase> problemCases() {
  const std::string reset = kHead + kPinBlock + kReset;
  const std::uint64_t after = kFirstVector + 10;  // the line after the reset clocks
  return {
      {"tck1 without tck0", reset + "\"11ZX\" \n" + kTrailer, after,
       "a TCK-1 line without its TCK-0 line"},
      {"two tck0 lines", reset + "\"01ZX\" \n\"00ZX\" \n\"10ZX\" \n" + kTrailer, after,
       "a TCK-0 line without its TCK-1 line"},
      {"tck0 before end pcf", reset + "\"01ZX\" \n" + kTrailer, after,
       "a TCK-0 line without its TCK-1 line"},
      {"tck0 before a comment", reset + "\"01ZX\" \n! note\n\"11ZX\" \n" + kTrailer, after,
       "a TCK-0 line without its TCK-1 line"},
      {"tms differs", reset + "\"01ZX\" \n\"10ZX\" \n" + kTrailer, after + 1,
       "TMS differs between the TCK-0 and TCK-1 lines of a cycle"},
      {"tdi differs", reset + "\"001X\" \n\"100X\" \n" + kTrailer, after + 1,
       "TDI differs between the TCK-0 and TCK-1 lines of a cycle"},
      {"too few pins", reset + "\"01Z\" \n" + kTrailer, after,
       "a vector line with 3 pin characters where the pin order Scan has 4"},
      {"too many pins", reset + "\"01ZX1\" \n" + kTrailer, after,
       "a vector line with 5 pin characters where the pin order Scan has 4"},
      {"no closing quote", reset + "\"01ZX \n" + kTrailer, after,
       "a vector line without its closing quote"},
      {"bad tck", reset + "\"21ZX\" \n" + kTrailer, after,
       "the pin character \"2\" for TCK is none of 0 or 1"},
      {"bad tms", reset + "\"0ZZX\" \n" + kTrailer, after,
       "the pin character \"Z\" for TMS is none of 0 or 1"},
      {"bad tdi", reset + "\"01HX\" \n" + kTrailer, after,
       "the pin character \"H\" for TDI is none of 0, 1 or Z"},
      {"bad tdo", reset + "\"01Z1\" \n" + kTrailer, after,
       "the pin character \"1\" for TDO is none of H, L or X"},
      {"text after the pins", reset + "\"01ZX\" x\n" + kTrailer, after,
       "unexpected text after the pins of a vector line: \"\"01ZX\" x\""},
      {"unexpected line", reset + "SDR 8 TDI (00);\n" + kTrailer, after,
       "an unexpected line in a pcf section: \"SDR 8 TDI (00);\""},
      {"unknown order", reset + "use pcf order Serial\n" + kTrailer, after,
       "an unknown pin order \"Serial\""},
      {"parallel without order", reset + "use pcf order Parallel\n" + kTrailer, after,
       "\"use pcf order Parallel\" in a file that declares no pin order Parallel"},
      {"parallel order without jtag pins",
       reset + "pcf order Parallel is TCK, TDI, P1\n" + kTrailer, after,
       "a pin order Parallel that does not begin with TCK, TMS, TDI, TDO"},
      {"after end pcf", reset + "end pcf\npcf\n" + kTrailer, after + 1,
       "a wait line or \"end unit\" must follow \"end pcf\", not \"pcf\""},
      {"bad wait", reset + "end pcf\nwait 5 ms\npcf\n" + kTrailer, after + 1,
       "a wait line without a number of microseconds or seconds: \"wait 5 ms\""},
      {"after wait", reset + "end pcf\nwait 5u\nuse pcf order Scan\n" + kTrailer, after + 2,
       "\"pcf\" must follow a wait line, not \"use pcf order Scan\""},
      {"after end unit", reset + kTrailer + "\n", after + 2, "a line after \"end unit\""},
      {"no trailer", reset, after - 1,
       "the file ends without its trailer (end pcf, end unit): the translation stopped there "
       "and the set is incomplete"},
      {"trailer cut", reset + "end pcf\n", after,
       "the file ends without its trailer (end pcf, end unit): the translation stopped there "
       "and the set is incomplete"},
      {"unit line edited",
       kHead + kPinBlock.substr(0, kPinBlock.find("unit")) + "unit \"Board\"\npcf\n" + kReset +
           kTrailer,
       17, kNoSection},
      {"vector lines without any section", kHead + kReset + kTrailer, 7, kNoSection},
      {"empty file", "", 0,
       "the file ends without its trailer (end pcf, end unit): the translation stopped there "
       "and the set is incomplete"},
  };
}

TEST(ReplayProblems, EveryInconsistencyIsReportedWithItsLine) {
  for (const ProblemCase& c : problemCases()) {
    Result result = replayTexts({{"set1.pcf", c.file}});
    ASSERT_TRUE(result.problem) << c.name;
    EXPECT_EQ(result.problem->where.file, "set1.pcf") << c.name;
    EXPECT_EQ(result.problem->where.line, c.line) << c.name;
    EXPECT_EQ(result.problem->message, c.message) << c.name;
  }
}

// A translation in which nothing clocks writes a file of head and trailer only: no problem,
// whatever the header file holds (a comment about pcf, an empty line).
TEST(ReplayProblems, AFileOfHeadAndTrailerOnlyHasNoSectionToMiss) {
  for (const std::string& head : {kHead, kHead + "! pcf sections follow\n\n! note\n"}) {
    Result result = replayTexts({{"h1.pcf", head + kTrailer}});
    EXPECT_FALSE(result.problem) << result.problem->message;
  }
}

TEST(ReplayProblems, ParallelLinesCountThePioPins) {
  std::string file =
      kHead + pinBlock({"A", "B"}) + "use pcf order Parallel\n\"01ZX1\" \n" + kTrailer;
  Result result = replayTexts({{"p1.pcf", file}});
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->message,
            "a vector line with 5 pin characters where the pin order Parallel has 6");
  file = kHead + pinBlock({"A", "B"}) + "use pcf order Parallel\n\"01ZX1Q\" \n" + kTrailer;
  result = replayTexts({{"p1.pcf", file}});
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->message, "the pin character \"Q\" for B is none of 0, 1, Z, H, L or X");
  // A PIO pin may be named TRST: only the TRST that the order names after TDO has no column.
  file = kHead + pinBlock({"TRST", "B"}) + "use pcf order Parallel\n" + tmsCycles("1", "1H") +
         kTrailer;
  result = replayTexts({{"p1.pcf", file}});
  EXPECT_FALSE(result.problem) << result.problem->message;
}

TEST(ReplayProblems, TheReplayStopsAtTheFirstProblemAndKeepsWhatCameBefore) {
  std::string first = pcfFile(kReset + kToIdle);
  std::string second = kHead + kPinBlock + "\"11ZX\" \n" + kTrailer;
  Result result = replayTexts({{"o1.pcf", first}, {"o2.pcf", second}, {"o3.pcf", "garbage"}});
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->where.file, "o2.pcf");
  EXPECT_EQ(result.operations.size(), 2u);
  EXPECT_EQ(result.finalState, State::IDLE);
}

TEST(ReplayProblems, CarriageReturnsBeforeLineEndsAreAccepted) {
  std::string file = pcfFile(kReset);
  std::string crlf;
  for (char c : file) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  Result result = replayTexts({{"c1.pcf", crlf}});
  EXPECT_FALSE(result.problem) << result.problem->message;
  EXPECT_EQ(result.finalState, State::RESET);
}

}  // namespace
}  // namespace kestrix::replay
