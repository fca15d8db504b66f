#include "driver/passes.h"

#include <memory>
#include <string>

#include "core/fatal.h"
#include "driver/count_log.h"
#include "driver/dispatch.h"
#include "tap/navigation.h"
#include "translation/messages.h"
#include "translation/output_files.h"
#include "translation/pin_block.h"
#include "translation/read_statement.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

// Before each statement: past the budget the pass must start again with a tighter split point;
// past the split point the next file begins. A pass that pauses scans never restarts: what
// overran its budget there was no scan, and no other pass would do better. A pass that goes on
// from the count log's frontier has read its first statement already; `log`, when given,
// learns what each statement did.
PassEnd runPass(Translation& t, CountLog* log = nullptr, bool statementRead = false) {
  const Options& options = t.options;
  for (;; statementRead = false) {
    if (!statementRead) {
      std::swap(t.previousCommandLine, t.lastCommandLine);
      if (!readStatement(t, t.lastCommandLine)) return PassEnd::kFinished;
    }
    if (log != nullptr && log->full()) {
      log->stop(t);
      log = nullptr;
    }
    std::int64_t splitPoint = options.splitThreshold - t.restartMargin;
    if (t.pass.output.vectorCount >= options.maxVectors) {
      if (t.mode == PassMode::kPausingScans) {
        fail(t, "\nA statement needs more vector lines than one PCF file may hold (" +
                    std::to_string(options.maxVectors) +
                    ").\nCOMMAND LINE WAS: " + shortenedStatement(t.previousCommandLine) + "\n");
      }
      if (log != nullptr) log->stop(t);
      // Once every statement begins a file of its own, only pausing its scans can help.
      return splitPoint < kHeadLines ? PassEnd::kPauseScans : PassEnd::kRestart;
    }
    std::int64_t pinLines = log != nullptr ? pinDeclarationLines(t) : 0;
    if (t.pass.output.vectorCount > splitPoint) startNextFile(t);
    if (log != nullptr) log->begin(t, pinLines);
    translateStatement(t, t.lastCommandLine);
    if (log != nullptr) log->end(t);
  }
}

// The pass that pauses scans takes the first pass's split point again.
void startPausingScans(Translation& t) {
  t.mode = PassMode::kPausingScans;
  t.restartMargin = 0;
}

// The next pass, from the start of the input with file 1.
void restartPass(Translation& t, PassEnd end) {
  restartTranslation(t);
  if (end == PassEnd::kPauseScans) {
    startPausingScans(t);
  } else {
    t.restartMargin += kSplitMargin;
  }
}

// Repeats passes the straightforward way: each one writes, and a restart abandons its files.
void translatePlainly(Translation& t) {
  for (PassEnd end; (end = runPass(t)) != PassEnd::kFinished;) restartPass(t, end);
}

// The texts of the last two statements, emptied with their memory: a pass keeps the room of
// the pass before it otherwise, where a long statement held one copy in each.
void releaseStatementTexts(Translation& t) {
  std::string().swap(t.lastCommandLine);
  std::string().swap(t.previousCommandLine);
}

// One pass that only counts lines, its messages held back, with restart margin `margin`;
// kFinished when it ended without a restart (it finished, or stopped on an error). Each pass
// replays the count log as far as it holds, then counts on, adding to it.
PassEnd countingPass(Translation& t, CountLog& log, std::int64_t margin) {
  MemoryConsole held;
  PassEnd end = PassEnd::kFinished;
  {
    RouteGuard route(t.console, held);
    try {
      releaseStatementTexts(t);
      restartTranslation(t);
      t.restartMargin = margin;
      CountLog::Outcome replayed = log.replay(t, held, end);
      log.attach(held);
      log.limit(margin == 0 ? CountLog::kFirstPassStatements : CountLog::kMaxStatements);
      if (replayed == CountLog::Outcome::kFrontier) {
        end = runPass(t, &log, true);
      } else if (replayed == CountLog::Outcome::kUnknown) {
        // Only the first pass logs from the start of the input.
        bool logging = log.empty();
        if (!logging) restartTranslation(t);
        end = runPass(t, logging ? &log : nullptr);
      }
    } catch (const TranslationAborted&) {
      end = PassEnd::kFinished;
    }
  }
  // An abandoned pass leaves nothing but its messages.
  if (end != PassEnd::kFinished) {
    t.console.print(held.out);
    t.console.printError(held.err);
  }
  return end;
}

}  // namespace

void startNextFile(Translation& t) {
  openContinuationFile(t);
  moveToIdleAfterSplit(t);
}

void moveToIdleAfterSplit(Translation& t) {
  TapState state = t.pass.tap.currentState;
  if (state != TapState::DRPAUSE && state != TapState::IRPAUSE) gotoState(t.cycles, TapState::IDLE);
}

// Passes only count their lines until one does not restart; that one runs again, writing,
// with the same split point (or, when every statement had a file of its own and one still
// overran, the pass that pauses scans runs, writing). All state starts afresh with every pass,
// so it takes the same course and prints the same messages, and no file is written that a
// restart would abandon.
void translateInput(Translation& t) {
  // An input that cannot be read again (a pipe with no copy) is translated in one pass, which
  // writes: only a restart, if one is needed, ends it.
  if (t.options.plainRestarts || !t.input->canRewind()) {
    translatePlainly(t);
    return;
  }
  // File 1 was created with its head at start-up; the writing pass makes it anew.
  std::unique_ptr<PcfFile> startFile = std::move(t.output);
  if (!startFile->closeWithoutTrailer()) abortTranslation();
  t.mode = PassMode::kCounting;
  std::int64_t margin = 0;
  PassEnd end = PassEnd::kFinished;
  {
    CountLog log;
    end = countingPass(t, log, margin);
    while (end == PassEnd::kRestart) end = countingPass(t, log, margin += kSplitMargin);
  }
  t.mode = PassMode::kWriting;
  releaseStatementTexts(t);
  restartTranslation(t);
  t.restartMargin = margin;
  if (end == PassEnd::kPauseScans) startPausingScans(t);
  translatePlainly(t);
}

}  // namespace kestrix
