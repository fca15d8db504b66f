#include "driver/passes.h"

#include <string>

#include "driver/dispatch.h"
#include "driver/fatal.h"
#include "driver/messages.h"
#include "driver/statement_cache.h"
#include "driver/translation.h"
#include "pcf/pin_block.h"
#include "tap/navigation.h"

namespace kestrix {
namespace {

enum class PassEnd { kFinished, kRestart };

bool nextStatement(Translation& t) {
  if (t.statementCache != nullptr) return t.statementCache->next(t);
  return readStatement(t, t.lastCommandLine);
}

// The next file of a split: head and pin block, then the TAP to Run-Test/Idle, unless it rests
// in a pause state, where a scan may go on in the next statement: it stays there.
void startNextFile(Translation& t) {
  openNextOutputFile(t);
  writePinDeclarations(t);
  TapState state = t.pass.tap.currentState;
  if (state != TapState::DRPAUSE && state != TapState::IRPAUSE) gotoState(t, TapState::IDLE);
}

// Before each statement: past the budget the pass must start again with a tighter split point;
// past the split point the next file begins.
PassEnd runPass(Translation& t) {
  const Options& options = t.options;
  for (;;) {
    std::swap(t.previousCommandLine, t.lastCommandLine);
    if (!nextStatement(t)) return PassEnd::kFinished;
    std::int64_t splitPoint = options.splitThreshold - t.restartMargin;
    if (t.pass.output.vectorCount >= options.maxVectors) {
      // Every statement already has a file of its own: another pass would end the same way.
      if (splitPoint < kHeadLines) {
        fail(t, "\nA statement needs more vector lines than one PCF file may hold (" +
                    std::to_string(options.maxVectors) +
                    ").\nCOMMAND LINE WAS: " + shortenedStatement(t.previousCommandLine) + "\n");
      }
      return PassEnd::kRestart;
    }
    if (t.pass.output.vectorCount > splitPoint) startNextFile(t);
    translateStatement(t, t.lastCommandLine);
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

// One pass that only counts lines, its messages held back; false when it ended without a
// restart (it finished, or stopped on an error). From the second on, passes keep the
// statements they read in the cache, and later ones take them from there: a translation
// without restarts never holds a copy of its input.
bool countingPassRestarts(Translation& t, StatementCache& cache, bool tighter) {
  MemoryConsole held;
  bool restarted = false;
  {
    RouteGuard route(t.console, held);
    try {
      bool cached = tighter && cache.startPass();
      t.statementCache = cached ? &cache : nullptr;
      restartTranslation(t, !cached || cache.empty());
      if (tighter) t.restartMargin += kSplitMargin;
      restarted = runPass(t) == PassEnd::kRestart;
      if (cached) cache.endPass(t);
    } catch (const TranslationAborted&) {
    }
    t.statementCache = nullptr;
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
  if (t.options.plainRestarts) {
    translatePlainly(t);
    return;
  }
  // File 1 was created with its head at start-up; the writing pass makes it anew.
  std::unique_ptr<PcfFile> startFile = std::move(t.output);
  if (!startFile->closeWithoutTrailer()) abortTranslation();
  StatementCache cache;
  t.countingOnly = true;
  for (bool tighter = false; countingPassRestarts(t, cache, tighter);) tighter = true;
  t.countingOnly = false;
  restartTranslation(t);
  translatePlainly(t);
}

}  // namespace kestrix
