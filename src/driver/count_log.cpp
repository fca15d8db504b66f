#include "driver/count_log.h"

#include <algorithm>

#include "commands/clocked_run.h"
#include "translation/messages.h"
#include "translation/output_files.h"

namespace kestrix {

CountLog::Context CountLog::contextOf(const Translation& t) {
  return {t.pass.tap.currentState, t.pass.tap.trstMode, t.pass.output.pinBlockWritten,
          t.pass.output.pinBlockAtSplit};
}

void CountLog::begin(const Translation& t, std::int64_t pinLines) {
  Entry entry;
  entry.entry = contextOf(t);
  entry.pinLines = pinLines;
  entry.outRead = held_->out.size();
  entry.errRead = held_->err.size();
  entries_.push_back(entry);
  countBefore_ = t.pass.output.vectorCount;
}

void CountLog::end(const Translation& t) {
  Entry& entry = entries_.back();
  entry.exit = contextOf(t);
  const StatementRuns& runs = t.statementRuns;
  entry.runs = static_cast<std::uint8_t>(std::min(runs.runs, 2));
  if (runs.runs == 1) {
    runs_.push_back({runs.countAtStart - countBefore_, runs.cycles,
                     t.pass.output.vectorCount - runs.countAtEnd, runs.continuationLines});
  }
  entry.lines = t.pass.output.vectorCount - countBefore_;
}

void CountLog::stop(const Translation& t) {
  frontier_ =
      std::make_unique<Frontier>(Frontier{t.pass, t.lastCommandLine, t.lastCommandLineNumber,
                                          t.lines.offset(), t.lines.lineNumber(), *held_});
}

// What startNextFile does to the count and the TAP. A replay does not rebuild the pass state
// statement by statement (the PIO map among it), so the pin block is charged as logged rather
// than written; no PIO statement is under way between statements.
void CountLog::replaySplit(Translation& t, std::int64_t pinLines) {
  openNextOutputFile(t);
  t.pass.output.vectorCount += pinLines;
  t.pass.output.pinBlockWritten = true;
  t.pass.output.pinBlockAtSplit = true;
  moveToIdleAfterSplit(t);
}

// What clockRun does to the count and the files, for a run met with this pass's count.
void CountLog::replayRun(Translation& t, const RunEntry& run) {
  OutputState& output = t.pass.output;
  output.vectorCount += run.linesBefore;
  bool begunByRun = false;
  for (std::uint64_t left = run.cycles; left > 0;) {
    std::uint64_t now = runCyclesInFile(t.options.maxVectors, output.vectorCount, left, begunByRun);
    begunByRun = now == 0;
    if (now == 0) {
      openNextOutputFile(t);
      output.vectorCount = run.continuationLines;
      output.pinBlockWritten = true;
      continue;
    }
    output.vectorCount += 2 * static_cast<std::int64_t>(now);
    left -= now;
  }
  output.vectorCount += run.linesAfter;
}

CountLog::Outcome CountLog::replay(Translation& t, MemoryConsole& held, PassEnd& end) const {
  if (frontier_ == nullptr) return Outcome::kUnknown;
  const std::int64_t splitPoint = t.options.splitThreshold - t.restartMargin;
  OutputState& output = t.pass.output;
  auto run = runs_.begin();
  for (const Entry& entry : entries_) {
    if (output.vectorCount >= t.options.maxVectors) {
      held.out.assign(frontier_->held.out, 0, entry.outRead);
      held.err.assign(frontier_->held.err, 0, entry.errRead);
      end = splitPoint < kHeadLines ? PassEnd::kPauseScans : PassEnd::kRestart;
      return Outcome::kEnded;
    }
    if (output.vectorCount > splitPoint) replaySplit(t, entry.pinLines);
    if (contextOf(t) != entry.entry) return Outcome::kUnknown;
    // Two runs in one statement are rare enough to translate the pass instead.
    if (entry.runs > 1) return Outcome::kUnknown;
    if (entry.runs == 1) {
      replayRun(t, *run++);
    } else {
      output.vectorCount += entry.lines;
    }
    t.pass.tap.currentState = entry.exit.state;
    t.pass.tap.trstMode = entry.exit.trstMode;
    output.pinBlockWritten = entry.exit.pinBlockWritten;
    output.pinBlockAtSplit = entry.exit.pinBlockAtSplit;
  }
  const TapModel tap = t.pass.tap;
  const OutputState reached = output;
  if (!t.lines.seek(frontier_->inputOffset, frontier_->inputLine)) {
    fail(t, "Cannot open input file " + t.options.inputFile + "!\n");
  }
  t.pass = frontier_->pass;
  t.pass.tap = tap;
  t.pass.output = reached;
  t.lastCommandLine = frontier_->lastCommandLine;
  t.lastCommandLineNumber = frontier_->lastCommandLineNumber;
  // Only the pass that pauses scans quotes the statement before, and it never counts.
  t.previousCommandLine.clear();
  held = frontier_->held;
  t.output = std::make_unique<PcfFile>(
      pcfFileName(t.options.outputFile, reached.nextFileNumber - 1), t.console);
  return Outcome::kFrontier;
}

}  // namespace kestrix
