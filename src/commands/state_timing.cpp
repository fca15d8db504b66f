#include "commands/state_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "commands/clocked_run.h"
#include "core/blank.h"
#include "core/svf_paths.h"
#include "svf/decimal_count.h"
#include "svf/frequency_directive.h"
#include "svf/tokenizer.h"
#include "tap/navigation.h"
#include "translation/messages.h"
#include "translation/pin_block.h"
#include "translation/translation.h"
#include "translation/vector_map_output.h"

namespace kestrix {
namespace {

bool matchesKeyword(std::string_view token, std::string_view upperKeyword) {
  if (token == upperKeyword) return true;
  return std::equal(
      token.begin(), token.end(), upperKeyword.begin(), upperKeyword.end(),
      [](char c, char k) { return k >= 'A' && k <= 'Z' ? c == k - 'A' + 'a' : c == k; });
}

TrstMode parseTrstMode(Translation& t, std::string_view token) {
  if (matchesKeyword(token, "ON")) return TrstMode::kOn;
  if (matchesKeyword(token, "OFF")) return TrstMode::kOff;
  if (matchesKeyword(token, "Z")) return TrstMode::kZ;
  if (matchesKeyword(token, "ABSENT")) return TrstMode::kAbsent;
  failStatement(t, "Could not match TRST mode of " + std::string(token) + "\n!");
}

// The fixed path to `target`; a target that is not stable stops the translation.
void gotoStableState(Translation& t, TapState target) {
  if (!gotoState(t.cycles, target)) {
    failStatement(t, "\nSTATE parameter specified is not a stable state!\n");
  }
}

// A RUNTEST value that is a number rather than a run state.
bool isNumberText(std::string_view text) {
  return !text.empty() && (isDigit(text[0]) || text[0] == '.' || text[0] == '+' || text[0] == '-');
}

// A RUNTEST unit word, in any case: SVF is not case sensitive.
bool isUnit(std::string_view token, std::string_view upperUnit) {
  return std::equal(token.begin(), token.end(), upperUnit.begin(), upperUnit.end(),
                    [](char c, char u) { return c == u || c == u - 'A' + 'a'; });
}

bool isSec(std::string_view token) { return isUnit(token, "SEC"); }
bool isCycleUnit(std::string_view token) { return isUnit(token, "TCK") || isUnit(token, "SCK"); }

[[noreturn]] void failUnit(Translation& t, std::string_view unit) {
  failStatement(t, "\nInvalid RUNTEST unit " + std::string(unit) + "!\n");
}

// The count of a RUNTEST or WAIT (`keyword`) as a whole number of cycles; a negative one stops
// the translation.
std::uint64_t readCount(Translation& t, std::string_view text, std::string_view keyword) {
  std::optional<std::uint64_t> count = readDecimalCount(text);
  if (!count) {
    failStatement(t, "\nInvalid " + std::string(keyword) + " count " + std::string(text) + "!\n");
  }
  return *count;
}

// The decimal number at the start of `text` (blanks, a sign, digits with a point, an optional
// exponent); 0 when it holds none. Hexadecimal, "inf" and "nan" are not SVF numbers, so only
// the decimal part is handed to strtod.
double readReal(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) ++at;
  std::size_t start = at;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
  std::size_t mantissa = frequencyNumberLength(text.substr(at));
  bool hasDigit = std::any_of(text.begin() + static_cast<std::ptrdiff_t>(at),
                              text.begin() + static_cast<std::ptrdiff_t>(at + mantissa), isDigit);
  if (!hasDigit) return 0;
  return std::strtod(std::string(text.substr(start, at + mantissa - start)).c_str(), nullptr);
}

// "<number> SEC" next in the rest: its number; otherwise nothing is taken. A number followed
// by a word that is no unit at all stops the translation.
std::optional<double> takeTime(Translation& t, TokenCursor& rest) {
  TokenCursor::Mark mark = rest.mark();
  std::string_view number, unit;
  if (rest.takeToken(number) && isNumberText(number) && rest.takeToken(unit)) {
    if (isSec(unit)) return readReal(number);
    if (!isCycleUnit(unit)) failUnit(t, unit);
  }
  rest.restore(mark);
  return std::nullopt;
}

// "MAXIMUM <number> SEC" next in the rest is taken and not used.
void skipMaximum(Translation& t, TokenCursor& rest) {
  TokenCursor::Mark mark = rest.mark();
  std::string_view word;
  if (rest.takeToken(word) && (word == "MAXIMUM" || word == "maximum") && takeTime(t, rest)) {
    return;
  }
  rest.restore(mark);
}

// "ENDSTATE <state>" at the end of a RUNTEST or WAIT; the first word is not examined.
TapState takeEndState(Translation& t, TokenCursor& rest, std::string_view incomplete) {
  std::string_view keyword, state;
  rest.takeToken(keyword);
  if (!rest.takeToken(state)) failStatement(t, incomplete);
  return parseStateName(t, state);
}

struct WaitLine {
  std::uint64_t amount;
  std::string_view unit;
  // Counted in seconds rather than microseconds (whatever letter the line carries).
  bool inSeconds;

  double microseconds() const { return static_cast<double>(amount) * (inSeconds ? 1e6 : 1.0); }
};

// The frequency of the last directive in hertz, if one with a non-zero value was seen.
std::optional<double> knownFrequency(const FrequencyState& frequency) {
  if (frequency.value.empty() || frequency.unit.empty()) return std::nullopt;
  double value = readReal(frequency.value);
  if (!(value > 0)) return std::nullopt;
  return value;
}

// A wait in its unit as a whole number of units, never shorter than asked: rounded to the
// nearest thousandth first, which drops the binary noise of the division (50021E-6 seconds is
// 50021 microseconds, not 50022), then up. No wait exceeds what a line can carry.
std::uint64_t roundUpUnits(double units) {
  constexpr auto kMostUnits = static_cast<double>(kLongestWait);
  if (!(units > 0)) return 0;
  double whole = std::ceil(std::round(units * 1000.0) / 1000.0);
  return static_cast<std::uint64_t>(std::min(whole, kMostUnits));
}

// The wait for `count` cycles at `frequency`: microseconds below one second, else seconds (by
// the whole hertz of the frequency, or by the frequency itself below 1 Hz).
WaitLine countWait(std::uint64_t count, double frequency, std::string_view unitWord) {
  double seconds = static_cast<double>(count) / frequency;
  if (seconds < 1.0) {
    bool hertz = unitWord[0] == 'h' || unitWord[0] == 'H';
    return {roundUpUnits(seconds * 1e6), hertz ? "u" : "", false};
  }
  double whole = std::floor(frequency);
  std::uint64_t amount =
      roundUpUnits(static_cast<double>(count) / (whole >= 1 ? whole : frequency));
  return {amount, amount >= 1 ? "s" : "", true};
}

// A minimum time: microseconds below one second, else seconds; a negative time waits nothing.
WaitLine timeWait(double seconds) {
  bool micro = !(seconds >= 1.0);
  return {roundUpUnits(micro ? seconds * 1e6 : seconds), micro ? "u" : "s", !micro};
}

// Closes the pcf section, waits, and opens a new one in the pin order in force. Not counted.
void writeWaitLine(Translation& t, const WaitLine& line) {
  std::string_view order = t.pass.pio.parallelOrder ? "Parallel" : "Scan";
  t.output->write("end pcf\nwait " + std::to_string(line.amount) + std::string(line.unit) +
                  "\npcf\nuse pcf order " + std::string(order) + "\n");
  mapWait(t);
}

// The wait block of a run of 4 cycles standing for its count. With a minimum time the longer
// of the two waits is written; the count's when they are equal.
void writeWaitBlock(Translation& t, std::optional<double> minTime) {
  // Its lines are not counted: a pass that only counts has nothing to do here.
  if (t.output->discarding()) return;
  const FrequencyState& frequency = t.pass.frequency;
  std::uint64_t count = t.pass.timing.runCount;
  std::optional<double> hertz = knownFrequency(frequency);
  WaitLine line;
  if (!minTime) {
    if (!hertz) return;
    line = countWait(count, *hertz, frequency.unit);
  } else {
    line = timeWait(*minTime);
    if (hertz && count >= kRunTestCycles) {
      WaitLine counted = countWait(count, *hertz, frequency.unit);
      if (counted.microseconds() >= line.microseconds()) line = counted;
    }
  }
  writeWaitLine(t, line);
}

void runCycles(Translation& t, TapState state, std::uint32_t cycles) {
  for (std::uint32_t i = 0; i < cycles; ++i) stepToward(t.cycles, state);
}

// Without a frequency to wait for them, a run clocks at most this many cycles: more would be
// hundreds of megabytes of files for what is almost certainly a wait.
constexpr std::uint64_t kMostCyclesWithoutFrequency = 100000000;

// A RUNTEST as read: its states, count and minimum time, and whether a unit word followed the
// count (the SVF form, which may clock its whole count).
struct RunTest {
  TapState runState = TapState::IDLE;
  TapState endState = TapState::IDLE;
  std::uint64_t count = 0;
  std::optional<double> minTime;
  bool unitGiven = false;
};

// Up to 4 cycles in IDLE stand for the count, and a wait block for the time it takes.
void runByWaiting(Translation& t, const RunTest& run) {
  if (run.runState == TapState::IDLE) {
    runCycles(t, TapState::IDLE,
              static_cast<std::uint32_t>(std::min<std::uint64_t>(run.count, kRunTestCycles)));
    if (run.count >= kRunTestCycles || run.minTime) writeWaitBlock(t, run.minTime);
    gotoStableState(t, run.endState);
  } else {
    writeWaitBlock(t, run.minTime);
    gotoStableState(t, run.endState);
    runCycles(t, run.endState, kRunTestCycles);
  }
}

// Every cycle of the count in the run state, then a wait for the minimum time when one is
// given and, with -r, the cycles take less than it; then the move to the end state (and 4
// cycles there, from a run state other than IDLE).
void runByClocking(Translation& t, const RunTest& run, std::optional<double> hertz) {
  if (!hertz && run.count > kMostCyclesWithoutFrequency) {
    failStatement(t, "\nRUNTEST needs " + std::to_string(run.count) +
                         " cycles and no frequency is known: give the program a FREQUENCY.\n");
  }
  clockRun(t, run.runState, run.count);
  double seconds = hertz ? static_cast<double>(run.count) / *hertz : 0.0;
  bool waits = run.minTime && (!t.options.clockEveryRunCycle || seconds < *run.minTime);
  if (waits && !t.output->discarding()) writeWaitLine(t, timeWait(*run.minTime));
  gotoStableState(t, run.endState);
  if (run.runState != TapState::IDLE) runCycles(t, run.endState, kRunTestCycles);
}

}  // namespace

TapState parseStateName(Translation& t, std::string_view token) {
  for (int i = 0; i < kTapStateCount; ++i) {
    auto state = static_cast<TapState>(i);
    if (matchesKeyword(token, tapStateKeyword(state))) return state;
  }
  failInStatement(t, "Could not match state of " + std::string(token) + "\n!");
}

namespace {

// A scan that ended in an unstable state would leave the TAP where the next scan's walk does
// not start: after DRSHIFT, the next SIR's bits would go into the data register.
TapState parseEndState(Translation& t, std::string_view keyword, std::string_view value) {
  TapState state = parseStateName(t, value);
  if (!isStableState(state)) {
    // Appended piece by piece: g++ -O3 warns (-Wrestrict) about "literal" + std::string&&.
    std::string message = "\n";
    message.append(keyword).append(" state ").append(value).append(" is not a stable state!\n");
    failStatement(t, message);
  }
  return state;
}

}  // namespace

void handleEndDr(Translation& t, std::string_view keyword, std::string_view value) {
  t.pass.timing.endDrState = parseEndState(t, keyword, value);
}

void handleEndIr(Translation& t, std::string_view keyword, std::string_view value) {
  t.pass.timing.endIrState = parseEndState(t, keyword, value);
}

// No TRST pin is written, so ON resets the device through TMS: five TMS 1 cycles, with the
// model held in RESET by the mode for the first of them.
void handleTrst(Translation& t, std::string_view value, TokenCursor&) {
  TapModel& tap = t.pass.tap;
  tap.trstMode = parseTrstMode(t, value);
  if (tap.trstMode != TrstMode::kOn) return;
  tap.currentState = TapState::RESET;
  if (!t.pass.output.pinBlockWritten) writePinDeclarations(t);
  writeResetClocks(t.cycles);
}

void handleState(Translation& t, std::string_view value, TokenCursor& rest) {
  TapState first = parseStateName(t, value);
  if (rest.empty()) {
    gotoStableState(t, first);
  } else {
    bool reached = stepToward(t.cycles, first);
    std::string_view token;
    while (reached && rest.takeToken(token))
      reached = stepToward(t.cycles, parseStateName(t, token));
    if (!reached) failStatement(t, "\nInvalid explicit state path specified!\n");
  }
  if (!isStableState(t.pass.tap.currentState)) {
    failStatement(t, "\nEnding state was not a stable state\n");
  }
}

void handleRunTest(Translation& t, std::string_view value, TokenCursor& rest) {
  constexpr std::string_view kIncomplete = "\nIncomplete RUNTEST statement!\n";
  TimingState& timing = t.pass.timing;
  RunTest run;
  run.runState = timing.runTestRunState;
  std::string_view number = value;
  if (!isNumberText(value)) {
    run.runState = parseStateName(t, value);
    // A run state named becomes the default end state too.
    timing.runTestRunState = timing.runTestEndState = run.runState;
    gotoStableState(t, run.runState);
    if (!rest.takeToken(number)) failStatement(t, kIncomplete);
  }
  if (rest.empty()) {
    run.count = readCount(t, number, "RUNTEST");
  } else {
    run.unitGiven = true;
    gotoStableState(t, run.runState);
    std::string_view unit;
    rest.takeToken(unit);
    if (isSec(unit)) {
      run.minTime = readReal(number);
    } else if (isCycleUnit(unit)) {
      run.count = readCount(t, number, "RUNTEST");
      run.minTime = takeTime(t, rest);
    } else {
      failUnit(t, unit);
    }
    skipMaximum(t, rest);
    run.endState = timing.runTestEndState;
    if (!rest.empty()) run.endState = timing.runTestEndState = takeEndState(t, rest, kIncomplete);
  }
  timing.runCount = run.count;
  std::optional<double> hertz = knownFrequency(t.pass.frequency);
  if (run.unitGiven && (t.options.clockEveryRunCycle || !hertz)) {
    runByClocking(t, run, hertz);
  } else {
    runByWaiting(t, run);
  }
}

void handleWait(Translation& t, std::string_view value, TokenCursor& rest) {
  TimingState& timing = t.pass.timing;
  timing.runCount = readCount(t, value, "WAIT");
  TapState endState = TapState::IDLE;
  if (!rest.empty()) {
    std::string_view unit;
    rest.takeToken(unit);
    endState = timing.waitEndState;
    if (!rest.empty()) {
      endState = timing.waitEndState = takeEndState(t, rest, "\nIncomplete WAIT statement!\n");
    }
  }
  // Outside a pcf section no tester applies the cycle, and the model would run ahead of the
  // device: a WAIT that clocks writes the pin block first if the file has none yet.
  if (!t.pass.output.pinBlockWritten && stepWritesCycle(t.pass.tap.currentState, endState)) {
    writePinDeclarations(t);
  }
  stepToward(t.cycles, endState);
}

}  // namespace kestrix
