#include "svf/statement_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"
#include "translation/read_statement.h"

namespace kestrix {
namespace {

// The reader over `svf` with PCF file 1 open.
struct Reader : testing::Context {
  Reader(const std::string& svf, bool commentsOn) : Context(commentsOn) {
    files.files["in.svf"] = svf;
    t.options.inputFile = "in.svf";
    t.input = files.openRead("in.svf");
    t.lines.attach(t.input.get());
  }
  std::vector<std::string> all() {
    std::vector<std::string> statements;
    std::string statement;
    stopped = stops([&] {
      while (readStatement(t, statement)) statements.push_back(statement);
    });
    return statements;
  }
  bool stopped = false;
};

// The messages of an input that ends with no statement read, or inside one.
const std::string kNoStatement = "\nThe input file in.svf holds no SVF statement!\n";
// `statement` begins at input line `line`.
std::string endsInside(const std::string& statement, int line) {
  return "\nThe input file ends inside a statement!\nCOMMAND LINE WAS: " + statement +
         "\nIn in.svf at line " + std::to_string(line) + ".\n";
}

struct ReaderCase {
  std::string svf;
  bool commentsOn;
  std::vector<std::string> statements;
  std::string echo;  // what reaches the PCF file
  std::string console = "";
};

const std::string kHex300(300, 'F');
const std::string kNote300 = "! " + std::string(300, 'x') + " SDR 8;\n";

const ReaderCase kReaderCases[] = {
    {"STATE\nIDLE;\n", false, {"STATE IDLE"}, ""},
    {"state\nidle;\n", false, {"state idle"}, ""},
    {"RUNTEST\n100 TCK;\n", false, {"RUNTEST 100 TCK "}, ""},
    {"RUNTEST IDLE\n100 TCK;\n", false, {"RUNTEST IDLE100 TCK "}, ""},
    {"RUNTEST 100 TCK\nENDSTATE IDLE;\n", false, {"RUNTEST 100 TCK  ENDSTATE IDLE"}, ""},
    {"SDR 16 TDI (0123\n4567);\n", false, {"SDR 16 TDI (01234567)"}, ""},
    {"SDR 12 TDI (A\nDEAD\nE0);\n", false, {"SDR 12 TDI (ADEADE0)"}, ""},
    {"STATE IDLE\nDRPAUSE;\nENDDR\nIDLE;\n", false, {"STATE IDLE DRPAUSE", "ENDDR IDLE"}, ""},
    {"PIOMAP (IN A\nOUT B);\n", false, {"PIOMAP (IN A OUT B) "}, ""},
    {"\tSDR 8;\n;\n", false, {"SDR 8", ""}, ""},
    // Several statements on one line; the rest after a ";" is never echoed again.
    {"SDR 8 TDI (00); SIR 8 TDI (01);\n", false, {"SDR 8 TDI (00)", "SIR 8 TDI (01)"}, ""},
    {"SDR 8; ! note\nSIR 8;  \n", false, {"SDR 8", "SIR 8"}, ""},
    {"SDR 8;SIR\n8;\n", false, {"SDR 8", "SIR 8"}, ""},
    {"SDR 8; SIR 8;\n! c\n\n", true, {"SDR 8", "SIR 8"}, "! SDR 8; SIR 8;\n! ! c\n! \n"},
    // Comments between the lines of a statement, and after its text.
    {"SDR 8\n! note\n// x\nTDI (FF);\n", false, {"SDR 8 TDI (FF)"}, "! note\n// x\n"},
    {"   ! note\n/ / x;\n/x;\n", false, {"/ / x", "/x"}, "   ! note\n"},
    {"SDR 8 TDI (FF) ! note\nTDO (00);\n", false, {"SDR 8 TDI (FF) TDO (00)"}, ""},
    {"SDR 8 TDI (FF) // note\n;\n", false, {"SDR 8 TDI (FF)"}, ""},
    // What follows the last ";" is a statement the input ends inside.
    {"TDI (1) ! a; b\n", false, {"TDI (1) ! a"}, "", endsInside("b", 1)},
    {"// note\n", false, {}, "// note\n", kNoStatement},
    {"// note\n", true, {}, "! // note\n", kNoStatement},
    {"\n  \t\n", false, {}, "\n  \t\n", kNoStatement},
    {"\n  \t\n", true, {}, "! \n!   \t\n", kNoStatement},
    {"SDR 8 TDI (00);\n", true, {"SDR 8 TDI (00)"}, "! SDR 8 TDI (00);\n"},
    {"SDR 8\n", false, {}, "", endsInside("SDR 8", 1)},
    {"SDR 8;\nSIR 8 ! note\n// x\nTDI\n(0\n",
     false,
     {"SDR 8"},
     "// x\n",
     endsInside("SIR 8 TDI (0", 2)},
    {"SDR 8;\nSIR 8 TDI (" + kHex300 + ")",
     false,
     {"SDR 8"},
     "",
     endsInside("SIR 8 TDI (" + kHex300.substr(0, 245) + "... (312 characters)", 2)},
    {"SDR 8;\n;\n", false, {"SDR 8", ""}, ""},
    {"STATE\n! c\nIDLE;", false, {"STATE IDLE"}, "! c\n"},
    // CRLF line ends.
    {"STATE\r\nIDLE;\r\n! x\r\n", false, {"STATE IDLE"}, "! x\r\n"},
    {"STATE\r\nIDLE;\r\n! x\r\n", true, {"STATE IDLE"}, "! STATE\r\n! IDLE;\r\n! ! x\r\n"},
    // A physical line is one line, however long.
    {"SDR 1200 TDI (" + kHex300 + ");\n", false, {"SDR 1200 TDI (" + kHex300 + ")"}, ""},
    {kNote300, false, {}, kNote300, kNoStatement},
    {kNote300, true, {}, "! " + kNote300, kNoStatement},
    // Frequency directives: the unit word cuts the text, never the ";".
    {"FREQUENCY 1.0E+06 HZ;\n",
     false,
     {"FREQUENCY 1.0E+06 HZ"},
     "",
     "Frequency=1.0E+06HZ;\nRunning..."},
    {"FREQUENCY 1 MHz x;\n", false, {"FREQUENCY 1 MHz"}, "", "Frequency=1MHz\nRunning..."},
    {"! frequency: 3 kHz\n",
     false,
     {},
     "! frequency: 3 kHz\n",
     "Frequency=3kHz\nRunning..." + kNoStatement},
    // A statement line with a comment is scanned once whole and once more for the comment.
    {"SDR 8 ! FREQUENCY 2 MHz\nTDI (0);\n",
     false,
     {"SDR 8 TDI (0)"},
     "",
     "Frequency=2MHz\nRunning...Frequency=2MHz\nRunning..."},
    // A UTF-8 byte-order mark at the very start is no part of the text; anywhere else it is.
    {"\xEF\xBB\xBFSTATE IDLE;\n", true, {"STATE IDLE"}, "! STATE IDLE;\n"},
    {"\xEF\xBB\xBF! note\nSDR 8;\n", false, {"SDR 8"}, "! note\n"},
    {"\xEF\xBB\xBF\n", true, {}, "! \n", kNoStatement},
    {"\xEF\xBB\xBF", true, {}, "", kNoStatement},
    {"\xEF\xBB\xBF\xEF\xBB\xBFSDR 8;\n", false, {"\xEF\xBB\xBFSDR 8"}, ""},
    {"\xEF\xBBSDR 8;\n", false, {"\xEF\xBBSDR 8"}, ""},
    {"SDR 8;\n\xEF\xBB\xBFSIR 8;\n", false, {"SDR 8", "\xEF\xBB\xBFSIR 8"}, ""},
};

TEST(StatementReader, JoinsEchoesAndScansLines) {
  for (const ReaderCase& c : kReaderCases) {
    SCOPED_TRACE(c.svf.substr(0, 60) + (c.commentsOn ? " -c" : ""));
    Reader reader(c.svf, c.commentsOn);
    EXPECT_EQ(reader.all(), c.statements);
    EXPECT_EQ(reader.written(), c.echo);
    EXPECT_EQ(reader.console.out, c.console);
  }
}

// The rest of a line is read with the next statement, after the current one was handled.
TEST(StatementReader, RestOfLineIsReadWithTheNextStatement) {
  Reader reader("SDR 8; ! FREQUENCY 5 MHz\nSIR 4;\n", false);
  std::string statement;
  ASSERT_TRUE(readStatement(reader.t, statement));
  EXPECT_EQ(reader.console.out, "");
  EXPECT_EQ(reader.t.pass.frequency.value, "");
  ASSERT_TRUE(readStatement(reader.t, statement));
  EXPECT_EQ(statement, "SIR 4");
  EXPECT_EQ(reader.console.out, "Frequency=5MHz\nRunning...");
  EXPECT_EQ(reader.t.pass.frequency.unit, "MHz");
}

// A pipe may give the mark a byte at a time; a rewound input starts with it again.
TEST(StatementReader, ByteOrderMarkInPiecesAndAfterARewind) {
  const std::string svf = "\xEF\xBB\xBFSTATE\nIDLE;\n";
  for (std::size_t chunk : {1, 2, 3, 4, 1 << 16}) {
    Reader pipe("", true);
    pipe.files.files["pipe.svf"] = svf;
    pipe.files.pipes = {"pipe.svf"};
    pipe.files.pipeChunk = chunk;
    pipe.t.input = pipe.files.openRead("pipe.svf");
    pipe.t.lines.attach(pipe.t.input.get());
    EXPECT_EQ(pipe.all(), std::vector<std::string>{"STATE IDLE"}) << chunk;
    EXPECT_EQ(pipe.written(), "! STATE\n! IDLE;\n") << chunk;
  }
  Reader file(svf, false);
  EXPECT_EQ(file.all(), std::vector<std::string>{"STATE IDLE"});
  ASSERT_TRUE(file.t.lines.rewind());
  EXPECT_EQ(file.all(), std::vector<std::string>{"STATE IDLE"});
}

TEST(StatementReader, LinesOfMegabytesAndManyStatements) {
  std::string hex(3'000'000, 'a');
  std::string svf = "SDR 12000000 TDI (" + hex + ");";
  for (int i = 0; i < 50000; ++i) svf += " SIR 4;";
  Reader reader(svf + "\n", false);
  std::vector<std::string> statements = reader.all();
  ASSERT_EQ(statements.size(), 50001u);
  EXPECT_EQ(statements[0], "SDR 12000000 TDI (" + hex + ")");
  EXPECT_EQ(statements[50000], "SIR 4");
}

}  // namespace
}  // namespace kestrix

namespace kestrix {
namespace {

// The physical line where each statement begins, as messages and the vector map name it. Only
// a line feed ends a line: CRLF is one line end, a lone CR is a blank inside its line.
TEST(StatementReader, EachStatementKnowsTheLineItBeginsOn) {
  struct Case {
    const char* name;
    std::string svf;
    std::vector<std::uint64_t> lines;
  } const cases[] = {
      {"one a line", "STATE RESET;\nSTATE IDLE;\n", {1, 2}},
      {"over several lines", "SDR 16\n TDI (0123\n4567);\nSIR 8 TDI (01);\n", {1, 4}},
      {"comments and blanks before", "! a\n\n// b\n   \nSTATE IDLE;\n", {5}},
      {"a comment inside", "SDR 8\n! note\nTDI (00);\nSTATE IDLE;\n", {1, 4}},
      {"after a ; on the line", "SDR 8 TDI (00); SIR 8 TDI (01);\nSTATE IDLE;\n", {1, 1, 2}},
      {"rest of a line is blank", "STATE RESET;  \n\nSTATE IDLE;\n", {1, 3}},
      {"rest of a line begins the next", "STATE RESET; SDR 8\nTDI (00);\n", {1, 1}},
      {"CRLF", "! c\r\nSTATE RESET;\r\n\r\nSTATE IDLE;\r\n", {2, 4}},
      {"byte-order mark", "\xEF\xBB\xBF! c\nSTATE RESET;\nSTATE IDLE;\n", {2, 3}},
      {"byte-order mark on a statement", "\xEF\xBB\xBFSTATE RESET;\nSTATE IDLE;\n", {1, 2}},
      {"lone CR", "STATE RESET;\rSTATE IDLE;\r\nSTATE RESET;\n", {1, 1, 2}},
      {"no final line end", "STATE RESET;\n\nSTATE IDLE;", {1, 3}},
      {"a long line", std::string(70000, ' ') + "STATE RESET;\nSTATE IDLE;\n", {1, 2}},
  };
  for (const Case& c : cases) {
    Reader reader(c.svf, false);
    std::vector<std::uint64_t> lines;
    std::string statement;
    while (readStatement(reader.t, statement)) lines.push_back(reader.t.pass.reader.statementLine);
    EXPECT_EQ(lines, c.lines) << c.name;
  }
}

// A pass that goes on from the count log's frontier seeks back into the input: the line count
// goes with the offset.
TEST(StatementReader, SeekingRestoresTheLineCount) {
  Reader reader("STATE RESET;\n\nSTATE IDLE;\nSIR 8 TDI (01);\n", false);
  std::string statement;
  ASSERT_TRUE(readStatement(reader.t, statement));
  std::uint64_t offset = reader.t.lines.offset();
  std::uint64_t line = reader.t.lines.lineNumber();
  ASSERT_TRUE(readStatement(reader.t, statement));
  ASSERT_TRUE(reader.t.lines.seek(offset, line));
  ASSERT_TRUE(readStatement(reader.t, statement));
  EXPECT_EQ(statement, "STATE IDLE");
  EXPECT_EQ(reader.t.pass.reader.statementLine, 3u);
}

}  // namespace
}  // namespace kestrix
