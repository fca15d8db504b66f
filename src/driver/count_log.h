#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/console.h"
#include "driver/passes.h"
#include "translation/translation.h"

namespace kestrix {

// What each statement of a counting pass did to the line count, so that the counting passes
// after it replay the statements instead of translating them again.
//
// A statement acts alike in every pass that reaches it with the TAP in the same state, the same
// TRST mode and the pin block written or not: everything else it reads (scan records, end
// states, the PIO map, the frequency) follows from the statements before it alone, and passes
// differ only in where they begin new files. So a pass that meets every logged statement in the
// state the log holds for it takes the logged course, counting and messages alike, and goes on
// translating where the log ends (its frontier), from the state kept there. A run that RUNTEST
// clocks in full is divided between files by the line count it meets, so the log keeps its
// lines before and after and its cycles, and divides it again as that pass's count says.
class CountLog {
 public:
  enum class Outcome {
    // The log cannot tell: translate the pass from its start.
    kUnknown,
    // The pass ends within the log, as `end` says; its messages are held.
    kEnded,
    // The pass stands at the frontier with its first statement read: translate on from there.
    kFrontier,
  };
  // The first pass logs this many statements at most (about 2.5 MiB), as most translations
  // never restart; the passes after it take the log to kMaxStatements (about 40 MiB).
  static constexpr std::size_t kFirstPassStatements = std::size_t{1} << 16;
  static constexpr std::size_t kMaxStatements = std::size_t{1} << 20;

  bool empty() const { return frontier_ == nullptr; }
  // Where the log stops growing; a logging pass ends it there with stop().
  void limit(std::size_t statements) { limit_ = statements; }
  bool full() const { return entries_.size() >= limit_; }

  // A logging pass holds its messages in `held`.
  void attach(const MemoryConsole& held) { held_ = &held; }
  // The statement read is about to be translated, after any split; `pinLines` are the lines
  // a split before it charges for the pin block.
  void begin(const Translation& t, std::int64_t pinLines);
  // The statement begun was translated.
  void end(const Translation& t);
  // The logging pass ends at the boundary of the statement just read (it restarts there, or
  // the log is full): the frontier.
  void stop(const Translation& t);

  // Replays the log for the counting pass set up in `t` (file 1 open, restart margin set).
  // Leaves `t` as it found it only for kUnknown when the log is empty.
  Outcome replay(Translation& t, MemoryConsole& held, PassEnd& end) const;

 private:
  struct Context {
    TapState state = TapState::UNDEFINED;
    TrstMode trstMode = TrstMode::kAbsent;
    bool pinBlockWritten = false;
    bool pinBlockAtSplit = false;
    bool operator==(const Context&) const = default;
  };
  struct Entry {
    Context entry;
    Context exit;
    // Runs clocked in full: the last one is in runs_ when there is exactly one.
    std::uint8_t runs = 0;
    std::int64_t lines = 0;
    std::int64_t pinLines = 0;
    // The sizes of the held messages once the statement was read.
    std::size_t outRead = 0, errRead = 0;
  };
  // A statement's run clocked in full, and the lines the statement charged around it.
  struct RunEntry {
    std::int64_t linesBefore = 0;
    std::uint64_t cycles = 0;
    std::int64_t linesAfter = 0;
    std::int64_t continuationLines = 0;
  };
  // The whole state at the frontier: the statement read, its budget check not yet made.
  struct Frontier {
    PassState pass;
    std::string lastCommandLine;
    std::uint64_t lastCommandLineNumber = 0;
    std::uint64_t inputOffset = 0;
    std::uint64_t inputLine = 0;
    MemoryConsole held;
  };

  static Context contextOf(const Translation& t);
  static void replaySplit(Translation& t, std::int64_t pinLines);
  static void replayRun(Translation& t, const RunEntry& run);

  std::vector<Entry> entries_;
  // One per entry with one run, in the order of the entries.
  std::vector<RunEntry> runs_;
  std::int64_t countBefore_ = 0;
  std::unique_ptr<Frontier> frontier_;
  std::size_t limit_ = kFirstPassStatements;
  const MemoryConsole* held_ = nullptr;
};

}  // namespace kestrix
