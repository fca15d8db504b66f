#pragma once

// What a set of PCF files makes the device do: the replay follows the TAP controller from the
// TMS of every TCK-1 line with a state table of its own and lists the scans, runs, walks,
// waits and PIO cycles that the device sees, or the first inconsistency in the files.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/tap_state.h"

namespace kestrix::replay {

// The translator's own state type; the replay follows it with a successor table of its own.
using State = TapState;

// The SVF keyword of a state; "UNDEFINED" before five TMS 1 cycles have made the state known.
std::string_view stateName(State state);

// A line of a file of the set; lines are numbered from 1.
struct Place {
  std::string file;
  std::uint64_t line = 0;
  // The file's index in the set (from 0), and the line's place among its vector lines: a
  // cycle's TCK-0 line number among them (from 1), for a wait the vector lines before it.
  std::size_t fileIndex = 0;
  std::uint64_t vector = 0;
};

// One scan as the device sees it, from Capture to Update, pauses included.
struct Scan {
  bool ir = false;  // SIR (true) or SDR
  // One character per bit, in shift order (bit 0 first): '0' '1' 'Z'.
  std::string tdi;
  // The same order: 'H' 'L' 'X', the expected TDO of the TCK-0 lines.
  std::string tdo;
  // The bits of each stretch of Shift between pauses.
  std::vector<std::uint64_t> segments;
  // The TCK-0 line of the cycle made in Capture.
  Place begin;
  // The state after Update (IDLE, DRSELECT); for a scan that is never updated, the state the
  // set leaves it in.
  State end = State::UNDEFINED;
  // The PIO characters of the scan's first cycle in the pin order Parallel; empty when it has
  // none.
  std::string pio;
  // False when the set ends before the scan reaches Update.
  bool updated = true;
};

// Cycles that stay in RESET, IDLE, DRPAUSE or IRPAUSE.
struct Run {
  State state = State::UNDEFINED;
  std::uint64_t cycles = 0;
  Place begin;
};

// Cycles that move between states outside scans. A walk ends where it enters RESET or IDLE or
// where a scan, a run, a wait or a PIO cycle begins; the cycles before the TAP is known are a
// walk from UNDEFINED.
struct Walk {
  State from = State::UNDEFINED;
  State to = State::UNDEFINED;
  std::uint64_t cycles = 0;
  Place begin;
};

// A wait line: "100u", "2s", "10".
struct Wait {
  std::string amount;
  Place begin;
};

// One cycle in the pin order Parallel outside a scan's Capture, Shift, Exit and Update cycles.
struct PioCycle {
  // The PIO characters, in the order of the pin order Parallel.
  std::string pins;
  // The state the cycle is made in.
  State state = State::UNDEFINED;
  Place begin;
  // The state it enters.
  State next = State::UNDEFINED;
};

// In the order in which they begin: the runs, waits and PIO cycles of a scan's pauses follow
// the scan.
using Operation = std::variant<Scan, Run, Walk, Wait, PioCycle>;

struct Problem {
  Place where;
  std::string message;
};

struct Result {
  std::vector<Operation> operations;
  // The state after the last cycle replayed.
  State finalState = State::UNDEFINED;
  // The first inconsistency; the replay stops there.
  std::optional<Problem> problem;
  // The PIO pin names of the last pin order Parallel read.
  std::vector<std::string> pioNames;
};

// A whole set given as (name, contents) in order; everything collected (for tests).
Result replayTexts(const std::vector<std::pair<std::string, std::string>>& files);

}  // namespace kestrix::replay
