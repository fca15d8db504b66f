#include "pcf/vector_map.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace kestrix {
namespace {

struct MapRow {
  std::string file;
  std::uint64_t first = 0, last = 0, svfLine = 0;
  std::string statement;
};

std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, at)) parts.push_back(part);
  return parts;
}

// The rows of a map, its head lines and "#" lines passed over.
std::vector<MapRow> rowsOf(const std::string& map) {
  std::vector<MapRow> rows;
  std::vector<std::string> lines = split(map, '\n');
  for (std::size_t i = 2; i < lines.size(); ++i) {
    if (lines[i].starts_with("#")) continue;
    std::vector<std::string> f = split(lines[i], '\t');
    EXPECT_EQ(f.size(), 5u) << lines[i];
    if (f.size() != 5) continue;
    rows.push_back({f[0], std::stoull(f[1]), std::stoull(f[2]), std::stoull(f[3]), f[4]});
  }
  return rows;
}

// The lines that begin with a double quote: the vector lines testers number.
std::uint64_t vectorLines(const std::string& pcf) {
  std::uint64_t count = 0;
  for (const std::string& line : split(pcf, '\n')) count += !line.empty() && line[0] == '"';
  return count;
}

// The rows of every file follow each other from vector 1 to its last vector line, so every
// vector line leads to a statement.
void expectRowsCoverEveryFile(MemoryFileSystem& files, const std::string& map,
                              const std::string& stem = "out") {
  std::map<std::string, std::uint64_t> last;
  for (const MapRow& row : rowsOf(map)) {
    EXPECT_EQ(row.first, last[row.file] + 1) << row.file << " " << row.first;
    EXPECT_GE(row.last, row.first);
    last[row.file] = row.last;
  }
  for (int n = 1; files.files.count(stem + std::to_string(n) + ".pcf") != 0; ++n) {
    std::string name = stem + std::to_string(n) + ".pcf";
    EXPECT_EQ(last[name], vectorLines(files.files[name])) << name;
    last.erase(name);
  }
  for (const auto& [name, count] : last) ADD_FAILURE() << "the map names " << name;
}

TEST(VectorMap, ASmallProgram) {
  const std::string svf =
      "FREQUENCY 1E6 HZ;\n"
      "STATE RESET;\n"
      "! comment\n"
      "\n"
      "SIR 8\n"
      "  TDI (01);\n"
      "RUNTEST 100 TCK; ENDDR IDLE;\n"
      "RUNTEST 2.00E-03 SEC;\n"
      "SDR\t200 TDI (" +
      std::string(50, '0') + ");\n";
  testing::Run run(svf, {"-m"});
  // Five reset clocks; from RESET five cycles into Shift-IR, 8 bits, four back to IDLE; four
  // cycles of the run, its wait after them, and the second RUNTEST's wait at the same place;
  // three cycles into Shift-DR, 200 bits, two back from Exit1 (Update, IDLE).
  EXPECT_EQ(run.files.files["out.map"],
            "# kestrix map 1\tin.svf\n"
            "file\tfirst_vector\tlast_vector\tsvf_line\tstatement\n"
            "out1.pcf\t1\t10\t2\tSTATE RESET\n"
            "out1.pcf\t11\t44\t5\tSIR 8 TDI (01)\n"
            "out1.pcf\t45\t52\t7\tRUNTEST 100 TCK\n"
            "# wait\tout1.pcf\t52\t7\tRUNTEST 100 TCK\n"
            "# wait\tout1.pcf\t52\t8\tRUNTEST 2.00E-03 SEC\n"
            "out1.pcf\t53\t462\t9\tSDR 200 TDI (" +
                std::string(47, '0') + "\n");
  expectRowsCoverEveryFile(run.files, run.files.files["out.map"]);
}

TEST(VectorMap, OnlyWithTheOptionAndNeverOverTheInput) {
  testing::Run plain("STATE RESET;\n");
  EXPECT_EQ(plain.files.files.count("out.map"), 0u);
  MemoryConsole console;
  MemoryFileSystem files;
  files.files["out.map"] = "STATE RESET;\n";
  files.files["head.txt"] = "";
  runTranslation({"kestrix", "out.map", "head.txt", "out", "-m"}, console, files);
  EXPECT_EQ(console.out, "\nOutput file out.map is the input or header file!\n");
  EXPECT_EQ(files.files["out.map"], "STATE RESET;\n");
}

// A fatal stop leaves the rows so far and says the map is incomplete.
TEST(VectorMap, AFatalStopMarksItIncomplete) {
  testing::Run run("STATE RESET;\nSTATE IDLE;\nSDR 8 TDI (0G);\n", {"-m"});
  EXPECT_EQ(run.files.files["out.map"],
            "# kestrix map 1\tin.svf\n"
            "file\tfirst_vector\tlast_vector\tsvf_line\tstatement\n"
            "out1.pcf\t1\t10\t1\tSTATE RESET\n"
            "out1.pcf\t11\t14\t2\tSTATE IDLE\n"
            "# incomplete\n");
}

std::string idles(int count) {
  std::string text = "STATE";
  for (int i = 0; i < count; ++i) text += " IDLE";
  return text + ";\n";
}

// Splits, restarts and scans paused across files: every file's rows cover it, a paused scan
// has a row in each file with its one SVF line, and restarts leave no rows of abandoned
// passes, whether they write every pass or count them.
TEST(VectorMap, SplitsRestartsAndPausedScans) {
  struct Case {
    const char* name;
    std::string svf;
  } const cases[] = {
      {"splits", "STATE RESET;\n" +
                     [] {
                       std::string s;
                       for (int i = 0; i < 40; ++i) s += "SDR 1000 TDI (0);\nRUNTEST 10 TCK;\n";
                       return s;
                     }()},
      {"restarts", "STATE IDLE;\n" + idles(12000) + idles(12000) + idles(12000) + idles(2)},
      {"a paused scan", "STATE IDLE;\nSDR 40000 TDI (0);\nSIR 8 TDI (1);\nSTATE RESET;\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::Run counted(c.svf, {"-s", "30000", "-m"});
    ASSERT_NE(counted.console.out.find("Translation Successful"), std::string::npos)
        << counted.console.out;
    const std::string& map = counted.files.files["out.map"];
    expectRowsCoverEveryFile(counted.files, map);
    EXPECT_GT(counted.files.files.count("out2.pcf"), 0u);
    MemoryConsole console;
    MemoryFileSystem files;
    files.files["in.svf"] = c.svf;
    files.files["head.txt"] = "";
    runTranslation({"kestrix", "in.svf", "head.txt", "out", "-s", "30000", "-m"}, console, files,
                   true);
    EXPECT_EQ(files.files["out.map"], map);
  }
  testing::Run paused("STATE IDLE;\nSDR 40000 TDI (0);\nSIR 8 TDI (1);\n", {"-s", "30000", "-m"});
  std::map<std::string, int> filesOfLine2;
  for (const MapRow& row : rowsOf(paused.files.files["out.map"])) {
    if (row.svfLine == 2) ++filesOfLine2[row.file];
  }
  EXPECT_EQ(filesOfLine2.size(), 3u);
  for (const auto& [file, rows] : filesOfLine2) EXPECT_EQ(rows, 1) << file;
}

// Every e2e program translated with -m: each row's SVF line holds the first word of its
// statement, and the rows cover every vector line. The numbers are checked against the input
// itself, not against the reader that counted them.
TEST(VectorMap, EveryRowLeadsToItsStatementInEveryE2eProgram) {
  namespace fs = std::filesystem;
  std::size_t rows = 0;
  for (const fs::directory_entry& entry : fs::directory_iterator(KESTRIX_SOURCE_DIR "/tests/e2e")) {
    if (!fs::exists(entry.path() / "input.svf")) continue;
    SCOPED_TRACE(entry.path().filename().string());
    auto read = [](const fs::path& path) {
      std::ifstream in(path, std::ios::binary);
      return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string svf = read(entry.path() / "input.svf");
    std::vector<std::string> args = split(read(entry.path() / "args"), '\n');
    // -m before the case's options, which may end with "--".
    std::vector<std::string> command = {"kestrix", "in.svf", "head.txt", "out", "-m"};
    for (std::size_t i = 3; i < args.size(); ++i) command.push_back(args[i]);
    MemoryConsole console;
    MemoryFileSystem files;
    files.files["in.svf"] = svf;
    files.files["head.txt"] =
        fs::exists(entry.path() / "header.txt") ? read(entry.path() / "header.txt") : std::string();
    runTranslation(command, console, files);
    if (svf.starts_with("\xEF\xBB\xBF")) svf.erase(0, 3);
    std::vector<std::string> lines = split(svf, '\n');
    const std::string& map = files.files["out.map"];
    ASSERT_TRUE(map.starts_with("# kestrix map 1\tin.svf\n")) << map;
    for (const MapRow& row : rowsOf(map)) {
      ASSERT_LE(row.svfLine, lines.size());
      std::string word = row.statement.substr(0, row.statement.find_first_of(" ("));
      std::string line = lines[row.svfLine - 1];
      EXPECT_NE(line.find(word), std::string::npos)
          << "line " << row.svfLine << " \"" << line << "\" for \"" << row.statement << "\"";
      ++rows;
    }
    if (!map.ends_with("# incomplete\n")) expectRowsCoverEveryFile(files, map);
  }
  EXPECT_GT(rows, 300u);
}

}  // namespace
}  // namespace kestrix
