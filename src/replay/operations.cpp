#include "replay/operations.h"

#include "replay/tap.h"

namespace kestrix::replay {

void OperationBuilder::fileBegin(std::size_t index, const std::string& name) {
  if (files_.size() <= index) files_.resize(index + 1);
  files_[index] = name;
}

void OperationBuilder::parallelOrder(const std::vector<std::string>& names) {
  sink_.parallelOrder(names);
}

void OperationBuilder::cycle(const Cycle& c) {
  if (isScanState(c.from)) {
    scanCycle(c);
  } else if (!c.pio.empty()) {
    closeStretch();
    sink_.operation(PioCycle{std::string(c.pio), c.from, place(c.where), c.to});
  } else if (c.from == c.to && (c.from == State::RESET || c.from == State::IDLE)) {
    runCycle(c);
  } else {
    walkCycle(c);
  }
}

void OperationBuilder::runCycle(const Cycle& c) {
  if (open_ == Open::kRun && run_.state == c.from) {
    ++run_.cycles;
    return;
  }
  closeStretch();
  run_ = Run{c.from, 1, place(c.where)};
  open_ = Open::kRun;
}

void OperationBuilder::walkCycle(const Cycle& c) {
  if (open_ == Open::kWalk) {
    walk_.to = c.to;
    ++walk_.cycles;
  } else {
    closeStretch();
    walk_ = Walk{c.from, c.to, 1, place(c.where)};
    open_ = Open::kWalk;
  }
  if (c.to == State::RESET || c.to == State::IDLE) closeStretch();
}

void OperationBuilder::closeStretch() {
  if (open_ == Open::kRun) sink_.operation(std::move(run_));
  if (open_ == Open::kWalk) sink_.operation(std::move(walk_));
  open_ = Open::kNone;
}

void OperationBuilder::scanCycle(const Cycle& c) {
  closeStretch();
  if (!scan_) {
    scan_.emplace();
    scan_->ir = isIrState(c.from);
    scan_->begin = place(c.where);
    lastWasShift_ = false;
  }
  bool shift = isShift(c.from);
  if (shift) {
    if (!lastWasShift_) scan_->segments.push_back(0);
    ++scan_->segments.back();
    scan_->tdi += c.tdi;
    scan_->tdo += c.tdo;
  }
  lastWasShift_ = shift;
  if (c.from == c.to && isPause(c.from)) {
    pauseCycle(c);
    return;
  }
  innerRunOpen_ = false;
  if (!c.pio.empty() && scan_->pio.empty()) scan_->pio = c.pio;
  if (isUpdate(c.from)) {
    scan_->end = c.to;
    emitScan();
  }
}

// A cycle that stays in a pause: part of the scan's runs, or a PIO cycle of its own.
void OperationBuilder::pauseCycle(const Cycle& c) {
  if (!c.pio.empty()) {
    inner_.emplace_back(PioCycle{std::string(c.pio), c.from, place(c.where), c.to});
    innerRunOpen_ = false;
    return;
  }
  if (innerRunOpen_) {
    ++std::get<Run>(inner_.back()).cycles;
    return;
  }
  inner_.emplace_back(Run{c.from, 1, place(c.where)});
  innerRunOpen_ = true;
}

void OperationBuilder::wait(std::string_view amount, LineRef where) {
  closeStretch();
  Wait w{std::string(amount), place(where)};
  if (scan_) {
    inner_.emplace_back(std::move(w));
    innerRunOpen_ = false;
  } else {
    sink_.operation(std::move(w));
  }
}

void OperationBuilder::emitScan() {
  sink_.operation(std::move(*scan_));
  scan_.reset();
  for (Operation& op : inner_) sink_.operation(std::move(op));
  inner_.clear();
  innerRunOpen_ = false;
}

void OperationBuilder::finish(State finalState) {
  closeStretch();
  if (scan_) {
    scan_->end = finalState;
    scan_->updated = false;
    emitScan();
  }
}

}  // namespace kestrix::replay
