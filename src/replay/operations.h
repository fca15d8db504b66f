#pragma once

#include <optional>
#include <string>
#include <vector>

#include "replay/cycle.h"
#include "replay/replay.h"

namespace kestrix::replay {

// Receives the operations of a replay in the order in which they begin.
class OperationSink {
 public:
  virtual ~OperationSink() = default;
  virtual void operation(Operation&& op) = 0;
  // The PIO pin names of the current file, for PIO cycles listed after it.
  virtual void parallelOrder(const std::vector<std::string>& /*names*/) {}
};

// Turns cycles into operations. A cycle belongs to the state it is made in: the cycles made in
// Capture to Update of a register are its scan, those that stay in RESET or IDLE are runs, the
// other ones outside scans are walks. A scan is handed on at its Update (or when the set
// ends), followed by the runs, waits and PIO cycles of its pauses; memory grows with the
// longest scan only.
class OperationBuilder final : public CycleListener {
 public:
  explicit OperationBuilder(OperationSink& sink) : sink_(sink) {}

  void fileBegin(std::size_t index, const std::string& name) override;
  void parallelOrder(const std::vector<std::string>& names) override;
  void cycle(const Cycle& c) override;
  void wait(std::string_view amount, LineRef where) override;
  void finish(State finalState) override;

 private:
  enum class Open { kNone, kRun, kWalk };

  Place place(LineRef where) const {
    return Place{files_[where.file], where.line, where.file, where.vector};
  }
  void scanCycle(const Cycle& c);
  void runCycle(const Cycle& c);
  void walkCycle(const Cycle& c);
  void pauseCycle(const Cycle& c);
  // Ends the run or walk in progress outside scans.
  void closeStretch();
  void emitScan();

  OperationSink& sink_;
  std::vector<std::string> files_;
  Open open_ = Open::kNone;
  Run run_;
  Walk walk_;
  std::optional<Scan> scan_;
  // What happened in the pauses of the scan in progress, in order.
  std::vector<Operation> inner_;
  bool innerRunOpen_ = false;
  bool lastWasShift_ = false;
};

}  // namespace kestrix::replay
