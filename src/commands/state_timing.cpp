#include "commands/state_timing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string>

#include "driver/messages.h"
#include "driver/translation.h"
#include "svf/blank.h"
#include "svf/tokenizer.h"
#include "tap/navigation.h"

namespace kestrix {
namespace {

// The clocks that RUNTEST always writes in IDLE before waiting, and in its end state after.
constexpr std::uint32_t kRunTestCycles = 4;

bool matchesKeyword(std::string_view token, std::string_view upperKeyword) {
  if (token == upperKeyword) return true;
  return std::equal(token.begin(), token.end(), upperKeyword.begin(), upperKeyword.end(),
                    [](char c, char k) { return k >= 'A' && k <= 'Z' ? c == k - 'A' + 'a' : c == k; });
}

char parseTrstMode(Translation& t, std::string_view token) {
  if (matchesKeyword(token, "ON")) return '0';
  if (matchesKeyword(token, "OFF")) return '1';
  if (matchesKeyword(token, "Z")) return 'Z';
  if (matchesKeyword(token, "ABSENT")) return '\0';
  failStatement(t, "Could not match TRST mode of " + std::string(token) + "\n!");
}

// A RUNTEST value that is a number rather than a run state.
bool isNumberText(std::string_view text) {
  return !text.empty() &&
         (isDigit(text[0]) || text[0] == '.' || text[0] == '+' || text[0] == '-');
}

bool isSec(std::string_view token) { return token == "SEC" || token == "sec"; }

// A count as the C library reads it (blanks, a sign, digits), kept in 32 bits.
std::uint32_t readCount(std::string_view text) {
  return static_cast<std::uint32_t>(std::strtoul(std::string(text).c_str(), nullptr, 10));
}

double readReal(std::string_view text) { return std::strtod(std::string(text).c_str(), nullptr); }

// "<number> SEC" next in the rest: its number; otherwise nothing is taken.
std::optional<double> takeTime(TokenCursor& rest) {
  TokenCursor::Mark mark = rest.mark();
  std::string_view number, unit;
  if (rest.takeToken(number) && isNumberText(number) && rest.takeToken(unit) && isSec(unit)) {
    return readReal(number);
  }
  rest.restore(mark);
  return std::nullopt;
}

// "MAXIMUM <number> SEC" next in the rest is taken and not used.
void skipMaximum(TokenCursor& rest) {
  TokenCursor::Mark mark = rest.mark();
  std::string_view word;
  if (rest.takeToken(word) && (word == "MAXIMUM" || word == "maximum") && takeTime(rest)) return;
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
};

// The frequency of the last directive in hertz, if one with a non-zero value was seen.
std::optional<double> knownFrequency(const FrequencyState& frequency) {
  if (frequency.value.empty() || frequency.unit.empty()) return std::nullopt;
  double value = readReal(frequency.value);
  if (!(value > 0)) return std::nullopt;
  return value;
}

// The wait for `count` cycles at `frequency`: microseconds below one second, else whole seconds.
WaitLine countWait(std::uint32_t count, double frequency, std::string_view unitWord) {
  double seconds = static_cast<double>(count) / frequency;
  if (seconds < 1.0) {
    bool hertz = unitWord[0] == 'h' || unitWord[0] == 'H';
    return {static_cast<std::uint32_t>(seconds * 1000000.0), hertz ? "u" : ""};
  }
  auto whole = static_cast<std::uint64_t>(frequency);
  std::uint64_t amount = whole == 0 ? static_cast<std::uint64_t>(seconds) : count / whole;
  return {amount, amount >= 1 ? "s" : ""};
}

// A minimum time, rounded up to whole microseconds (below a second) or seconds; a value within
// 0.001 of a whole unit counts as that unit.
WaitLine timeWait(double seconds) {
  if (!(seconds >= 0)) seconds = 0;
  bool micro = seconds < 1.0;
  double units = std::ceil((micro ? seconds * 1000000.0 : seconds) - 0.001);
  units = std::clamp(units, 0.0, 4294967295.0);
  return {static_cast<std::uint64_t>(units), micro ? "u" : "s"};
}

// Closes the pcf section, waits, and opens a new one in the Scan order. Not counted.
void writeWaitBlock(Translation& t, std::optional<double> minTime) {
  // Its lines are not counted: a pass that only counts has nothing to do here.
  if (t.output->discarding()) return;
  const FrequencyState& frequency = t.pass.frequency;
  std::uint32_t count = t.pass.timing.runCount;
  std::optional<double> hertz = knownFrequency(frequency);
  WaitLine line;
  if (!minTime) {
    if (!hertz) return;
    line = countWait(count, *hertz, frequency.unit);
  } else if (hertz && count >= kRunTestCycles && static_cast<double>(count) / *hertz >= *minTime) {
    line = countWait(count, *hertz, frequency.unit);
  } else {
    line = timeWait(*minTime);
  }
  t.output->write("end pcf\nwait " + std::to_string(line.amount) + std::string(line.unit) +
                  "\npcf\nuse pcf order Scan\n");
}

void runCycles(Translation& t, TapState state, std::uint32_t cycles) {
  for (std::uint32_t i = 0; i < cycles; ++i) stepToward(t, state);
}

}  // namespace

TapState parseStateName(Translation& t, std::string_view token) {
  for (int i = 0; i < kTapStateCount; ++i) {
    auto state = static_cast<TapState>(i);
    if (matchesKeyword(token, tapStateKeyword(state))) return state;
  }
  fail(t, "Could not match state of " + std::string(token) + "\n!");
}

void handleEndDr(Translation& t, std::string_view value, TokenCursor&) {
  t.pass.timing.endDrState = parseStateName(t, value);
}

void handleEndIr(Translation& t, std::string_view value, TokenCursor&) {
  t.pass.timing.endIrState = parseStateName(t, value);
}

void handleTrst(Translation& t, std::string_view value, TokenCursor&) {
  TapModel& tap = t.pass.tap;
  tap.trstMode = parseTrstMode(t, value);
  if (tap.trstMode == '0') tap.currentState = TapState::RESET;
}

void handleState(Translation& t, std::string_view value, TokenCursor& rest) {
  TapState first = parseStateName(t, value);
  if (rest.empty()) {
    gotoState(t, first);
  } else {
    bool reached = stepToward(t, first);
    std::string_view token;
    while (reached && rest.takeToken(token)) reached = stepToward(t, parseStateName(t, token));
    if (!reached) failStatement(t, "\nInvalid explicit state path specified!\n");
  }
  if (!isStableState(t.pass.tap.currentState)) {
    failStatement(t, "\nEnding state was not a stable state\n");
  }
}

void handleRunTest(Translation& t, std::string_view value, TokenCursor& rest) {
  constexpr std::string_view kIncomplete = "\nIncomplete RUNTEST statement!\n";
  TimingState& timing = t.pass.timing;
  TapState runState = timing.runTestRunState;
  std::string_view number = value;
  if (!isNumberText(value)) {
    runState = parseStateName(t, value);
    timing.runTestRunState = runState;
    gotoState(t, runState);
    if (!rest.takeToken(number)) failStatement(t, kIncomplete);
  }
  TapState endState = TapState::IDLE;
  std::optional<double> minTime;
  std::uint32_t count = 0;
  if (rest.empty()) {
    count = readCount(number);
  } else {
    gotoState(t, runState);
    std::string_view unit;
    rest.takeToken(unit);
    if (isSec(unit)) {
      minTime = readReal(number);
    } else {
      count = readCount(number);
      minTime = takeTime(rest);
    }
    skipMaximum(rest);
    endState = timing.runTestEndState;
    if (!rest.empty()) endState = timing.runTestEndState = takeEndState(t, rest, kIncomplete);
  }
  timing.runCount = count;
  if (runState == TapState::IDLE) {
    runCycles(t, TapState::IDLE, std::min(count, kRunTestCycles));
    if (count >= kRunTestCycles || minTime) writeWaitBlock(t, minTime);
    gotoState(t, endState);
  } else {
    writeWaitBlock(t, minTime);
    gotoState(t, endState);
    runCycles(t, endState, kRunTestCycles);
  }
}

void handleWait(Translation& t, std::string_view value, TokenCursor& rest) {
  TimingState& timing = t.pass.timing;
  timing.runCount = readCount(value);
  TapState endState = TapState::IDLE;
  if (!rest.empty()) {
    std::string_view unit;
    rest.takeToken(unit);
    endState = timing.waitEndState;
    if (!rest.empty()) {
      endState = timing.waitEndState = takeEndState(t, rest, "\nIncomplete WAIT statement!\n");
    }
  }
  stepToward(t, endState);
}

}  // namespace kestrix
