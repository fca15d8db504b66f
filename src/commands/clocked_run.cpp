#include "commands/clocked_run.h"

#include <algorithm>

#include "tap/navigation.h"
#include "tap/steady_shift.h"
#include "translation/output_files.h"
#include "translation/pin_block.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

// Run cycles in place drive no TDI and compare no TDO.
constexpr std::size_t kChunk = 4096;
constexpr ShiftLevels kUndriven[kChunk / 64] = {};

// `cycles` cycles that stay in `state`: through the steady writer where TMS 0 keeps the state
// and no comment names each cycle, otherwise cycle by cycle.
void writeRunCycles(Translation& t, TapState state, std::uint64_t cycles) {
  if (t.pass.tap.currentState == state && !t.options.commentsOn && inSteadyShift(t.cycles)) {
    for (std::uint64_t done = 0; done < cycles; done += kChunk) {
      writeSteadyShift(t.cycles, 0, std::min<std::uint64_t>(kChunk, cycles - done), kUndriven, {});
    }
    return;
  }
  for (std::uint64_t i = 0; i < cycles; ++i) stepToward(t.cycles, state);
}

}  // namespace

std::uint64_t runCyclesInFile(std::int64_t maxVectors, std::int64_t vectorCount, std::uint64_t left,
                              bool fileBegunByRun) {
  std::int64_t room = maxVectors - kPauseRoom - vectorCount;
  std::uint64_t fit = room <= 0 ? 0 : (static_cast<std::uint64_t>(room) + 1) / 2;
  if (fileBegunByRun) fit = std::max<std::uint64_t>(fit, 1);
  return std::min(fit, left);
}

void clockRun(Translation& t, TapState state, std::uint64_t cycles) {
  StatementRuns& runs = t.statementRuns;
  std::int64_t& vectorCount = t.pass.output.vectorCount;
  ++runs.runs;
  runs.countAtStart = vectorCount;
  runs.cycles = cycles;
  runs.continuationLines = kHeadLines + pinDeclarationLines(t) + (t.pass.pio.parallelOrder ? 1 : 0);
  bool begunByRun = false;
  while (cycles > 0) {
    std::uint64_t now = runCyclesInFile(t.options.maxVectors, vectorCount, cycles, begunByRun);
    if (now == 0) {
      openContinuationFile(t);
      begunByRun = true;
      continue;
    }
    writeRunCycles(t, state, now);
    cycles -= now;
    begunByRun = false;
  }
  runs.countAtEnd = vectorCount;
}

}  // namespace kestrix
