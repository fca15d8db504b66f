// The replay of a PCF file set held in memory. The first byte chooses what runs; the rest is
// the set, its files separated by the byte 0x1E. Whatever the input, the replay must end with
// operations that agree with themselves or with a problem, and kestrix-replay with status 0 or
// 1 accordingly. When the set replays cleanly, the SVF program written for it must translate
// with kestrix, and the replay of that translation must list the same scans and waits (every
// cycle, when the program marks nothing as not exact), unless the program says that they
// differ.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "driver/run.h"
#include "replay/listing.h"
#include "replay/program.h"
#include "replay/replay.h"

namespace {

using namespace kestrix::replay;
using FileSet = std::vector<std::pair<std::string, std::string>>;

constexpr char kSeparator = '\x1e';
// A translation of the SVF program stops there instead of filling memory.
constexpr std::size_t kWriteLimit = std::size_t{8} << 20;

[[noreturn]] void failure(const std::string& what, const std::string& detail = {}) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n%s\n", what.c_str(), detail.c_str());
  std::abort();
}

FileSet splitSet(std::string_view text) {
  FileSet set;
  for (int n = 1;; ++n) {
    std::size_t end = text.find(kSeparator);
    set.emplace_back("f" + std::to_string(n) + ".pcf", std::string(text.substr(0, end)));
    if (end == std::string_view::npos) return set;
    text.remove_prefix(end + 1);
  }
}

void checkOperations(const Result& result) {
  for (const Operation& op : result.operations) {
    if (const Scan* scan = std::get_if<Scan>(&op)) {
      std::uint64_t bits = 0;
      for (std::uint64_t segment : scan->segments) {
        if (segment == 0) failure("a scan segment without bits");
        bits += segment;
      }
      if (bits != scan->tdi.size() || bits != scan->tdo.size()) {
        failure("a scan's bits disagree with its segments");
      }
      if (scan->tdi.find_first_not_of("01Z") != std::string::npos ||
          scan->tdo.find_first_not_of("HLX") != std::string::npos) {
        failure("a scan bit that is no pin character");
      }
    }
    if (const Run* run = std::get_if<Run>(&op); run != nullptr && run->cycles == 0) {
      failure("a run of no cycles");
    }
    if (const Walk* walk = std::get_if<Walk>(&op); walk != nullptr && walk->cycles == 0) {
      failure("a walk of no cycles");
    }
    operationText(op, {});
  }
}

struct Program {
  int status = 0;
  std::string out, err;
};

Program runProgram(const FileSet& set, std::vector<std::string> args) {
  kestrix::MemoryFileSystem files;
  args.insert(args.begin(), "kestrix-replay");
  for (const auto& [name, contents] : set) {
    files.files[name] = contents;
    args.push_back(name);
  }
  kestrix::MemoryConsole console;
  Program program;
  program.status = runReplay(args, console, files);
  program.out = console.out;
  program.err = console.err;
  return program;
}

FileSet translate(const std::string& svf, bool& tooLarge) {
  kestrix::MemoryFileSystem files;
  files.files["in.svf"] = svf;
  files.files["head.txt"] = "";
  files.writeLimit = kWriteLimit;
  kestrix::MemoryConsole console;
  kestrix::runTranslation({"kestrix", "in.svf", "head.txt", "out", "-s", "1000000"}, console,
                          files);
  FileSet set;
  tooLarge = files.written >= kWriteLimit ||
             console.out.find("needs more vector lines") != std::string::npos;
  if (console.out.find("Translation Successful") == std::string::npos) {
    if (!tooLarge) failure("kestrix refused the SVF program", svf + "\n---\n" + console.out);
    return set;
  }
  for (int n = 1; files.files.count("out" + std::to_string(n) + ".pcf") != 0; ++n) {
    std::string name = "out" + std::to_string(n) + ".pcf";
    set.emplace_back(name, files.files[name]);
  }
  return set;
}

std::string outline(const Result& result, bool scansAndWaitsOnly) {
  std::string text;
  for (const Operation& op : result.operations) {
    if (const Scan* s = std::get_if<Scan>(&op)) {
      // Where the set leaves a scan that is never updated is no part of it.
      std::string end = s->updated || !scansAndWaitsOnly ? std::string(stateName(s->end)) : "";
      text += std::string(s->ir ? "SIR " : "SDR ") + s->tdi + " " + s->tdo + " " + end +
              (s->updated ? "" : " open") + " " + s->pio + "\n";
    } else if (const Wait* w = std::get_if<Wait>(&op)) {
      long long value = std::atoll(w->amount.c_str());
      if (w->amount.back() == 's') value *= 1000000;
      text += "wait " + std::to_string(value) + "\n";
    } else if (!scansAndWaitsOnly) {
      text += operationText(op, {}) + "\n";
    }
  }
  return text;
}

void roundTrip(const FileSet& set, const Result& first) {
  Program svf = runProgram(set, {"--svf"});
  if (svf.status != 0) failure("--svf failed on a set that replays", svf.err);
  bool tooLarge = false;
  FileSet again = translate(svf.out, tooLarge);
  if (again.empty()) return;
  Result second = replayTexts(again);
  if (second.problem)
    failure("the translated SVF program does not replay", second.problem->message);
  // Where the program says that scans or waits differ, it must still translate and replay.
  if (svf.out.find("! not exact, scans or waits differ:") != std::string::npos) return;
  bool inexact = svf.out.find("! not exact:") != std::string::npos;
  if (outline(first, inexact) != outline(second, inexact)) {
    failure("the round trip changed what the device sees",
            svf.out + "\n--- before:\n" + outline(first, inexact) + "--- after:\n" +
                outline(second, inexact));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0];
  FileSet set = splitSet(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1));
  Result result = replayTexts(set);
  checkOperations(result);
  static const std::vector<std::string> kModes[] = {
      {}, {"--summary"}, {"--vector", "3"}, {"--vcd", "w.vcd"}};
  Program program = runProgram(set, kModes[mode % 4]);
  if (program.status != (result.problem ? 1 : 0) && (mode % 4) != 2) {
    failure("the program's status disagrees with the replay", program.err);
  }
  if (!result.problem && (mode & 4) != 0) roundTrip(set, result);
  return 0;
}
