#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "replay/cycle.h"

namespace kestrix::replay {

// The frequency of a directive in a comment line, as kestrix reads it (with its own reader): the
// number after "FREQUENCY" or "frequency:", taken in hertz whatever the unit word says; 0 when
// the directive gives no number kestrix reads.
std::optional<double> frequencyDirective(std::string_view line);

// The length of a wait amount in seconds: "100u", "2s", "10" (a number without unit letter is
// microseconds, as kestrix writes it).
double waitSeconds(std::string_view amount);

// Totals of a replay: cycles, scans by register, runs, waits, vector lines per file, and the
// tester time they take at the frequency the files carry.
class Summary final : public CycleListener {
 public:
  // `frequency`, when given, is the frequency of the estimate, whatever the files carry.
  explicit Summary(std::optional<double> frequency = std::nullopt) : given_(frequency) {}
  void fileBegin(std::size_t index, const std::string& name) override;
  void cycle(const Cycle& c) override;
  void wait(std::string_view amount, LineRef where) override;
  void comment(std::string_view text) override;
  void fileEnd(std::size_t index, std::uint64_t vectorLines) override;
  void finish(State finalState) override { finalState_ = finalState; }

  // The report, one total per line.
  std::string text() const;

 private:
  // RESET, IDLE, DRPAUSE, IRPAUSE
  static constexpr std::size_t kStableCount = 4;

  std::vector<std::string> files_;
  std::vector<std::uint64_t> vectorLines_;
  std::uint64_t cycles_ = 0;
  std::array<std::uint64_t, 2> scans_{};  // DR, IR
  std::array<std::uint64_t, 2> bits_{};
  std::array<std::uint64_t, kStableCount> stableCycles_{};
  std::uint64_t waits_ = 0;
  double waitSeconds_ = 0;
  std::optional<double> frequency_;
  std::string frequencyLine_;
  std::optional<double> given_;
  State finalState_ = State::UNDEFINED;
};

}  // namespace kestrix::replay
