#include "driver/passes.h"

#include <memory>
#include <string>
#include <vector>

#include "driver/count_log.h"
#include "driver/dispatch.h"
#include "driver/fatal.h"
#include "driver/messages.h"
#include "driver/translation.h"
#include "pcf/pin_block.h"
#include "tap/navigation.h"

namespace kestrix {
namespace {

enum class PassEnd { kFinished, kRestart };

// Before each statement: past the budget the pass must start again with a tighter split point;
// past the split point the next file begins. A pass that goes on from the count log's frontier
// has read its first statement already; `log`, when given, learns what each statement did.
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
      // Every statement already has a file of its own: another pass would end the same way.
      if (splitPoint < kHeadLines) {
        fail(t, "\nA statement needs more vector lines than one PCF file may hold (" +
                    std::to_string(options.maxVectors) +
                    ").\nCOMMAND LINE WAS: " + t.previousCommandLine + "\n");
      }
      if (log != nullptr) log->stop(t);
      return PassEnd::kRestart;
    }
    std::int64_t pinLines = pinDeclarationLines(t);
    if (t.pass.output.vectorCount > splitPoint) {
      openNextOutputFile(t);
      writePinDeclarations(t);
      gotoState(t, TapState::IDLE);
    }
    if (log != nullptr) log->begin(t, pinLines);
    translateStatement(t, t.lastCommandLine);
    if (log != nullptr) log->end(t);
  }
}

// The next pass, from the start of the input with file 1 and a split point 25000 lines earlier.
void restartPass(Translation& t) {
  restartTranslation(t);
  t.restartMargin += kSplitMargin;
}

// Repeats passes the straightforward way: each one writes, and a restart abandons its files.
void translatePlainly(Translation& t) {
  while (runPass(t) == PassEnd::kRestart) restartPass(t);
}

// The texts of the last two statements, emptied with their memory: a pass keeps the room of
// the pass before it otherwise, where a long statement held one copy in each.
void releaseStatementTexts(Translation& t) {
  std::string().swap(t.lastCommandLine);
  std::string().swap(t.previousCommandLine);
}

// One pass that only counts lines, its messages held back, with restart margin `margin`; false
// when it ended without a restart (it finished, or stopped on an error). Each pass replays the
// count log as far as it holds, then counts on, adding to it.
bool countingPassRestarts(Translation& t, CountLog& log, std::int64_t margin) {
  MemoryConsole held;
  bool restarted = false;
  {
    RouteGuard route(t.console, held);
    try {
      releaseStatementTexts(t);
      restartTranslation(t);
      t.restartMargin = margin;
      CountLog::Outcome replayed = log.replay(t, held);
      log.attach(held);
      log.limit(margin == 0 ? CountLog::kFirstPassStatements : CountLog::kMaxStatements);
      if (replayed == CountLog::Outcome::kRestart) {
        restarted = true;
      } else if (replayed == CountLog::Outcome::kFrontier) {
        restarted = runPass(t, &log, true) == PassEnd::kRestart;
      } else {
        // Only the first pass logs from the start of the input.
        bool logging = log.empty();
        if (!logging) restartTranslation(t);
        restarted = runPass(t, logging ? &log : nullptr) == PassEnd::kRestart;
      }
    } catch (const TranslationAborted&) {
    }
  }
  // An abandoned pass leaves nothing but its messages.
  if (restarted) {
    t.console.print(held.out);
    t.console.printError(held.err);
  }
  return restarted;
}

}  // namespace

// Passes only count their lines until one does not restart; that one runs again, writing,
// with the same split point. All state starts afresh with every pass, so it takes the same
// course and prints the same messages, and no file is written that a restart would abandon.
void translateInput(Translation& t) {
  if (t.options.plainRestarts || !t.input->canRewind()) {
    translatePlainly(t);
    return;
  }
  // File 1 was created with its head at start-up; the writing pass makes it anew.
  std::unique_ptr<PcfFile> startFile = std::move(t.output);
  if (!startFile->closeWithoutTrailer()) abortTranslation();
  std::int64_t margin = 0;
  t.countingOnly = true;
  {
    CountLog log;
    while (countingPassRestarts(t, log, margin)) margin += kSplitMargin;
  }
  t.countingOnly = false;
  releaseStatementTexts(t);
  restartTranslation(t);
  t.restartMargin = margin;
  translatePlainly(t);
}

}  // namespace kestrix
