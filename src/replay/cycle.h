#pragma once

// The stream of events a replay produces while it reads a set: every TCK cycle with the TAP
// states around it, every wait line, and where the files begin and end. The listing, the SVF
// writer, the waveform and the summary each listen to it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "replay/replay.h"

namespace kestrix::replay {

// A line of the set: its file's index (from 0) and its number in that file (from 1). Cheap to
// copy for every cycle; a Place is made from it only for what is kept.
struct LineRef {
  std::size_t file = 0;
  std::uint64_t line = 0;
  // For a cycle its TCK-0 line's number among the file's vector lines; for a wait the vector
  // lines before it.
  std::uint64_t vector = 0;
};

struct Cycle {
  State from = State::UNDEFINED;  // the state the cycle is made in
  State to = State::UNDEFINED;    // the state it enters
  char tms = '0';
  char tdi = 'Z';
  char tdo = 'X';  // the expected TDO of the TCK-0 line
  // The PIO characters of the TCK-0 line in the pin order Parallel; empty in the order Scan.
  std::string_view pio;
  LineRef where;  // the TCK-0 line
  // The number of the TCK-0 line among the vector lines of its file, from 1.
  std::uint64_t vector = 0;
};

class CycleListener {
 public:
  virtual ~CycleListener() = default;
  virtual void fileBegin(std::size_t /*index*/, const std::string& /*name*/) {}
  // The PIO pin names of the pin order Parallel of the current file.
  virtual void parallelOrder(const std::vector<std::string>& /*names*/) {}
  virtual void cycle(const Cycle& c) = 0;
  virtual void wait(std::string_view /*amount*/, LineRef /*where*/) {}
  // A comment line of a file (the echoed SVF comments, where frequency directives stand).
  virtual void comment(std::string_view /*text*/) {}
  virtual void fileEnd(std::size_t /*index*/, std::uint64_t /*vectorLines*/) {}
  // The set is over (also after a problem): what is still open is complete now.
  virtual void finish(State /*finalState*/) {}
};

// Hands every event to several listeners, in order.
class FanOut final : public CycleListener {
 public:
  explicit FanOut(std::vector<CycleListener*> listeners) : listeners_(std::move(listeners)) {}
  void fileBegin(std::size_t index, const std::string& name) override {
    for (CycleListener* l : listeners_) l->fileBegin(index, name);
  }
  void parallelOrder(const std::vector<std::string>& names) override {
    for (CycleListener* l : listeners_) l->parallelOrder(names);
  }
  void cycle(const Cycle& c) override {
    for (CycleListener* l : listeners_) l->cycle(c);
  }
  void wait(std::string_view amount, LineRef where) override {
    for (CycleListener* l : listeners_) l->wait(amount, where);
  }
  void comment(std::string_view text) override {
    for (CycleListener* l : listeners_) l->comment(text);
  }
  void fileEnd(std::size_t index, std::uint64_t vectorLines) override {
    for (CycleListener* l : listeners_) l->fileEnd(index, vectorLines);
  }
  void finish(State finalState) override {
    for (CycleListener* l : listeners_) l->finish(finalState);
  }

 private:
  std::vector<CycleListener*> listeners_;
};

}  // namespace kestrix::replay
