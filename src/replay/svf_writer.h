#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "replay/cycle.h"
#include "replay/text_out.h"

namespace kestrix::replay {

// Writes an SVF program that kestrix translates into the cycles the set holds: the same scans
// and waits, and as a rule every cycle between them. The cycles collect as a path of states
// (runs of one state counted, not repeated); each time the path leaves a stable state, and at
// the end, as much of it as is settled is written:
// - a stretch of Shift with the cycles before and after it as one SDR or SIR, when kestrix's
//   own walks into and out of the shift state for the state the program rests in (and the
//   ENDDR or ENDIR state chosen) are those cycles; HIR, HDR, TIR and TDR are 0;
// - the other cycles as explicit STATE paths, which write one cycle per state listed, a single
//   cycle in Run-Test/Idle as RUNTEST IDLE 1 TCK;
// - a wait as a RUNTEST of its time in the state it is in, with the four cycles that such a
//   RUNTEST writes there outside Run-Test/Idle; a PIO cycle in a stable state as a PIO
//   statement, a scan's PIO cycles with a PIO in its statement.
// What SVF cannot give kestrix exactly (a single cycle that leaves a state, a scan that passes
// from Exit1 straight to Update-IR, ...) is written as close as it can be, with a comment
// "! not exact: ..." before it; the scans and waits stay as they are. Where even they cannot
// (a wait in an unstable state, PIO characters on a scan's walk), the comment says
// "! not exact, scans or waits differ: ...".
class SvfWriter final : public CycleListener {
 public:
  explicit SvfWriter(TextOut& out) : out_(out) {}

  void fileBegin(std::size_t index, const std::string& name) override;
  // kestrix takes a PIOMAP only before the first statement that clocks the TAP: the map is
  // written as soon as the set declares its PIO pins, ahead of the cycles of its file.
  void parallelOrder(const std::vector<std::string>& names) override;
  void cycle(const Cycle& c) override;
  void wait(std::string_view amount, LineRef where) override;
  void finish(State finalState) override;

  // How many places were written not exactly, and of those how many change scans or waits.
  std::uint64_t inexact() const { return inexact_; }
  std::uint64_t changed() const { return changed_; }

 private:
  enum class Kind { kStep, kBits, kWait };
  struct Element {
    Kind kind = Kind::kStep;
    State from = State::UNDEFINED;  // kStep: the state the cycles are made in
    State to = State::UNDEFINED;    // the state entered; kBits: EXIT1, or SHIFT if not left
    std::uint64_t count = 1;        // kStep: cycles (more than one only in place)
    std::string pio;                // kStep, kBits: the PIO characters, empty in order Scan
    std::string tdi, tdo;           // kBits
    std::string amount;             // kWait
    LineRef where;
  };

  void cover(bool final);
  bool coverUndefined(bool final);
  bool coverScan(std::size_t bits);
  bool isBarrier(std::size_t index) const;
  State stateBefore(std::size_t index) const;
  // How many of `states` the steps from `start` enter, one cycle each, with the PIO
  // characters `pio` (unless `samePio` is false).
  std::size_t matches(std::size_t start, std::span<const State> states, const std::string& pio,
                      bool samePio = true) const;
  bool plainExact(std::size_t end) const;
  bool hasPio(std::size_t end) const;
  std::size_t entrySplit(std::size_t bits, bool exactOnly, bool keepPio, bool samePio = true) const;
  void rerouteEntryThroughPause(std::size_t bits);
  State endWalk(std::size_t bits, std::size_t& consumed) const;
  static std::vector<State> endStates(const Element& scan);
  State chooseExit(std::size_t bits, std::size_t& consumed);
  static bool plainBits(const Element& bits);
  void bitsToSteps(std::size_t index);
  void writePlain(std::size_t end);
  void settle(std::vector<State>& states);
  void writeStatePath(std::vector<State> states);
  void writeScan(const Element& bits, State exit);
  bool mayGrow(std::size_t start, std::span<const State> states, const std::string& pio) const;
  bool writeWait();
  std::optional<State> takeRunTestEnd();
  void writePio(std::string pins, std::uint64_t count);
  void settleReset();
  bool writePioMap(const std::string& pins);
  // Marks a place written not exactly; `scansKept` when the scans and waits stay the same.
  void notExact(const std::string& why, bool scansKept = true);
  void pop(std::size_t count);
  void header();

  // Appends to the program, noting whether a statement was written.
  void emit(std::string_view text);
  TextOut& out_;
  std::vector<std::string> files_;
  std::vector<std::string> pioNames_;
  std::deque<Element> path_;
  // Where the program written so far leaves kestrix's TAP model.
  State svf_ = State::UNDEFINED;
  State endDr_ = State::IDLE;
  State endIr_ = State::IDLE;
  bool smaskGiven_[2] = {false, false};
  // The pins of the PIOMAP, once written: a set may declare others later, which it cannot carry.
  std::optional<std::vector<std::string>> mappedNames_;
  // A statement (not a comment) stands in the program after its head.
  bool statementWritten_ = false;
  // The five reset cycles are due: the next statement that navigates writes them, an explicit
  // path with RESET as its first state.
  bool resetPending_ = false;
  // The set has ended: what the path holds is all there is.
  bool final_ = false;
  std::uint64_t inexact_ = 0;
  std::uint64_t changed_ = 0;
};

}  // namespace kestrix::replay
