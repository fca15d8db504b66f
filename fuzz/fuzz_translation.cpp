// The whole translation of an input held in memory. The first byte chooses the options; the
// rest is the SVF program. Whatever the input, a run must end with status 1 and either report
// success over a complete, contiguous set of PCF files that all end with their trailer, or
// stop with the last file lacking it. Runs with a small budget are repeated with the plain
// restarts, which must give the same console text and the same files. Some runs read the input
// as a pipe. The steady cycles of scans are written by pdep (where the processor has BMI2) or
// portably, chosen by the first byte; a repeated run takes the other way.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "driver/run.h"
#include "tap/steady_shift.h"

namespace {

using kestrix::MemoryConsole;
using kestrix::MemoryFileSystem;

// Enough for splits and restarts with the smallest budget; a legal but huge scan stops early
// with the write error instead of filling memory.
constexpr std::size_t kWriteLimit = std::size_t{4} << 20;
// Plain restarts write every pass: room for the abandoned ones as well.
constexpr std::size_t kPlainWriteLimit = 8 * kWriteLimit;

constexpr std::string_view kTrailer = "end pcf\nend unit\n";
constexpr std::string_view kHeader = "! Board 7 test head\n! second line\n";

[[noreturn]] void failure(const std::string& what, const MemoryConsole& console) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n--- stdout:\n%s\n--- stderr:\n%s\n", what.c_str(),
               console.out.c_str(), console.err.c_str());
  std::abort();
}

bool endsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

std::string pcfName(int number) { return "out" + std::to_string(number) + ".pcf"; }

struct Outcome {
  MemoryConsole console;
  MemoryFileSystem files;
  int status = 0;
};

void translate(Outcome& outcome, const std::string& svf, const std::string& header,
               const std::vector<std::string>& args, std::size_t limit, bool plain, bool pipe) {
  outcome.files.files["in.svf"] = svf;
  outcome.files.files["head.txt"] = header;
  // An input that cannot be read twice is kept as it is read, so restarts work all the same.
  if (pipe) outcome.files.pipes = {"in.svf"};
  outcome.files.pipeChunk = 7;
  outcome.files.writeLimit = limit;
  outcome.status = kestrix::runTranslation(args, outcome.console, outcome.files, plain);
}

// The count in "Translation Successful N files generated.", the last line of stdout, or 0 when
// the run did not report success.
int successCount(const MemoryConsole& console) {
  const std::string& out = console.out;
  std::string_view prefix = "Translation Successful ";
  std::size_t at = out.rfind(prefix);
  if (at == std::string::npos) return 0;
  // A frequency directive leaves "Running..." without a line break before it.
  bool afterRunning = at >= 10 && out.compare(at - 10, 10, "Running...") == 0;
  if (at != 0 && out[at - 1] != '\n' && !afterRunning) {
    failure("the success line does not begin a line", console);
  }
  std::string_view line = std::string_view(out).substr(at);
  // After it, only the count of statements that were not translated may stand.
  std::size_t lineEnd = line.find('\n');
  if (lineEnd != std::string_view::npos && lineEnd + 1 < line.size()) {
    std::string_view after = line.substr(lineEnd + 1);
    std::string_view note = " not translated: see INVALID COMMAND ENCOUNTERED above.\n";
    if (!endsWith(after, note) || after.find('\n') + 1 != after.size() || after[0] < '1' ||
        after[0] > '9') {
      failure("the success line is not the last line or is malformed", console);
    }
    line = line.substr(0, lineEnd + 1);
  }
  if (line == "Translation Successful 1 file generated.\n") return 1;
  std::string_view suffix = " files generated.\n";
  if (!endsWith(line, suffix) || line.size() <= prefix.size() + suffix.size()) {
    failure("the success line is not the last line or is malformed", console);
  }
  std::string digits(line.substr(prefix.size(), line.size() - prefix.size() - suffix.size()));
  for (char c : digits) {
    if (c < '0' || c > '9') failure("the success line is malformed", console);
  }
  int count = std::atoi(digits.c_str());
  if (count < 2) failure("\"files generated\" with fewer than two files", console);
  return count;
}

void checkOutcome(const Outcome& outcome, const std::string& header) {
  const MemoryConsole& console = outcome.console;
  if (outcome.status != 1) failure("exit status is not 1", console);
  int reported = successCount(console);
  // The PCF files, which must be out1.pcf ... outN.pcf with no gap.
  // (Besides them the map holds only in.svf and head.txt.)
  const int last = static_cast<int>(outcome.files.files.size()) - 2;
  for (int n = 1; n <= last; ++n) {
    if (outcome.files.files.count(pcfName(n)) == 0) {
      failure("the PCF files are not numbered 1 to " + std::to_string(last), console);
    }
  }
  const std::string head =
      "! HP PCF File generated by Quorix KESTRIX\n"
      "! KESTRIX SVF to PCF Translator version " KESTRIX_VERSION "\n" +
      header + "\n\n! Pattern Capture Format\n\n";
  for (int n = 1; n <= last; ++n) {
    const std::string& text = outcome.files.files.at(pcfName(n));
    bool capped = outcome.files.written >= outcome.files.writeLimit;
    if (text.compare(0, head.size(), head) != 0 && !(n == last && capped)) {
      failure(pcfName(n) + " does not begin with the head", console);
    }
    bool trailer = endsWith(text, kTrailer);
    if (n < last && !trailer) {
      failure(pcfName(n) + " lacks its trailer before a later file", console);
    }
    if (n == last && reported > 0 && !trailer) {
      failure("success reported but " + pcfName(n) + " lacks its trailer", console);
    }
    if (n == last && reported == 0 && trailer) {
      failure("a stop without success, but " + pcfName(n) + " has its trailer", console);
    }
  }
  if (reported > 0 && reported != last) {
    failure("success reported for " + std::to_string(reported) + " files, but " +
                std::to_string(last) + " were written",
            console);
  }
  // Standard error carries only option diagnostics (the options here are valid) and
  // exhausted memory, which no input of a fuzz run may cause.
  if (!console.err.empty()) failure("a message on standard error", console);
  if (reported == 0 && last == 0) failure("a run that wrote no PCF file", console);
  if (reported == 0 && console.out.empty() && console.err.empty()) {
    failure("the run stopped without a message", console);
  }
}

void compareWithPlain(const Outcome& counted, const Outcome& plain) {
  if (counted.console.out != plain.console.out) {
    std::fprintf(stderr, "--- plain stdout:\n%s\n", plain.console.out.c_str());
    failure("stdout differs from the plain restarts", counted.console);
  }
  if (counted.console.err != plain.console.err) {
    std::fprintf(stderr, "--- plain stderr:\n%s\n", plain.console.err.c_str());
    failure("stderr differs from the plain restarts", counted.console);
  }
  for (const auto& [name, contents] : counted.files.files) {
    auto found = plain.files.files.find(name);
    if (found == plain.files.files.end()) {
      failure(name + " is missing with plain restarts", counted.console);
    }
    if (found->second != contents)
      failure(name + " differs from the plain restarts", counted.console);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  const std::string svf(reinterpret_cast<const char*>(data + 1), size - 1);
  // Messages quote statements: a statement that reads like the success line would fool the
  // checks below.
  if (svf.find("Successful") != std::string::npos) return 0;
  const bool comments = (mode & 1) != 0;
  // Three in four runs use a small budget, so that splits and restarts happen: the smallest,
  // whose second pass already gives every statement a file of its own, or one whose restarts
  // replay the count log with split points above the head.
  const unsigned budget = (mode >> 1) & 3;
  const bool smallBudget = budget != 3;
  const std::string header = (mode & 8) != 0 ? std::string(kHeader) : std::string();
  const bool pipe = (mode & 16) != 0;
  const bool portable = (mode & 32) != 0;
  using kestrix::SteadyShiftPath;
  auto choosePath = [](bool portablePath) {
    kestrix::chooseSteadyShiftPath(portablePath ? SteadyShiftPath::kPortable
                                                : SteadyShiftPath::kPdep);
  };

  std::vector<std::string> args = {"kestrix", "in.svf", "head.txt", "out"};
  if (comments) args.push_back("-c");
  if (smallBudget) {
    args.push_back("-s");
    args.push_back(budget == 2 ? "60000" : "30000");
  }

  Outcome counted;
  choosePath(portable);
  translate(counted, svf, header, args, kWriteLimit, false, pipe);
  checkOutcome(counted, header);

  // With these budgets a translation restarts at most three times (the last time to pause
  // scans), so the plain way writes at most four times as much; a capped run would stop at a
  // different place and is not compared.
  if (smallBudget && counted.files.written < kWriteLimit) {
    Outcome plain;
    choosePath(!portable);
    translate(plain, svf, header, args, kPlainWriteLimit, true, pipe);
    if (plain.files.written < kPlainWriteLimit) compareWithPlain(counted, plain);
  }
  return 0;
}
