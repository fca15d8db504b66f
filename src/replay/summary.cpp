#include "replay/summary.h"

#include <cstdio>
#include <cstdlib>

#include "replay/tap.h"
#include "svf/frequency_directive.h"

namespace kestrix::replay {
namespace {

std::size_t stableIndex(State state) {
  switch (state) {
    case State::RESET:
      return 0;
    case State::IDLE:
      return 1;
    case State::DRPAUSE:
      return 2;
    default:
      return 3;
  }
}

std::string number(double value, int digits = 6) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*g", digits, value);
  return text;
}

}  // namespace

std::optional<double> frequencyDirective(std::string_view line) {
  // Read by the translator's own rules, so that the estimate uses the frequency it waited by.
  FrequencyState frequency;
  MemoryConsole quiet;
  scanFrequencyDirective(frequency, quiet, line);
  if (frequency.value.empty()) return std::nullopt;
  return std::strtod(frequency.value.c_str(), nullptr);
}

double waitSeconds(std::string_view amount) {
  double value = std::strtod(std::string(amount).c_str(), nullptr);
  return !amount.empty() && amount.back() == 's' ? value : value * 1e-6;
}

void Summary::fileBegin(std::size_t index, const std::string& name) {
  files_.resize(index + 1);
  vectorLines_.resize(index + 1);
  files_[index] = name;
}

void Summary::cycle(const Cycle& c) {
  ++cycles_;
  std::size_t side = isIrState(c.from) ? 1 : 0;
  if (isCapture(c.from)) ++scans_[side];
  if (isShift(c.from)) ++bits_[side];
  if (c.from == c.to && isStable(c.from)) ++stableCycles_[stableIndex(c.from)];
}

void Summary::wait(std::string_view amount, LineRef) {
  ++waits_;
  waitSeconds_ += waitSeconds(amount);
}

void Summary::comment(std::string_view text) {
  std::optional<double> hertz = frequencyDirective(text);
  if (!hertz) return;
  // A directive without a usable number leaves the program without a frequency, as in kestrix.
  frequency_ = *hertz > 0 ? hertz : std::nullopt;
  frequencyLine_ = text;
}

void Summary::fileEnd(std::size_t index, std::uint64_t vectorLines) {
  vectorLines_[index] = vectorLines;
}

std::string Summary::text() const {
  std::uint64_t lines = 0;
  std::string files;
  for (std::size_t i = 0; i < files_.size(); ++i) {
    files += "  " + files_[i] + ": " + std::to_string(vectorLines_[i]) + " vector lines\n";
    lines += vectorLines_[i];
  }
  std::string text = "files: " + std::to_string(files_.size()) + "\n" + files;
  text += "vector lines: " + std::to_string(lines) + "\n";
  text += "cycles: " + std::to_string(cycles_) + "\n";
  text += "scans: " + std::to_string(scans_[0] + scans_[1]) + " (SIR " + std::to_string(scans_[1]) +
          ", " + std::to_string(bits_[1]) + " bits; SDR " + std::to_string(scans_[0]) + ", " +
          std::to_string(bits_[0]) + " bits)\n";
  std::uint64_t stable = 0;
  for (std::uint64_t count : stableCycles_) stable += count;
  text += "cycles that stay in a stable state: " + std::to_string(stable) + " (RESET " +
          std::to_string(stableCycles_[0]) + ", IDLE " + std::to_string(stableCycles_[1]) +
          ", DRPAUSE " + std::to_string(stableCycles_[2]) + ", IRPAUSE " +
          std::to_string(stableCycles_[3]) + ")\n";
  text += "waits: " + std::to_string(waits_) + ", " + number(waitSeconds_) + " s\n";
  if (std::optional<double> hertz = given_ ? given_ : frequency_) {
    double seconds = static_cast<double>(cycles_) / *hertz + waitSeconds_;
    text += "frequency: " + number(*hertz, 12) + " Hz, ";
    if (!given_) {
      text += "from the line \"" + frequencyLine_ + "\"\n";
    } else if (frequency_) {
      text += "from --frequency (the files carry " + number(*frequency_, 12) +
              " Hz, from the line \"" + frequencyLine_ + "\")\n";
    } else {
      text += "from --frequency (the files carry none)\n";
    }
    text += "estimated tester time: " + number(seconds) + " s (" + std::to_string(cycles_) +
            " cycles at " + number(*hertz, 12) + " Hz and " + number(waitSeconds_) +
            " s of waits)\n";
  } else {
    text +=
        "frequency: none in the files, so no tester time is estimated (give one with "
        "--frequency HZ)\n";
  }
  text += "final state: " + std::string(stateName(finalState_)) + "\n";
  return text;
}

}  // namespace kestrix::replay
