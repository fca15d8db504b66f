#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "replay/cycle.h"
#include "replay/map_file.h"
#include "replay/operations.h"

namespace kestrix::replay {

// Finds the operation that a vector line belongs to, for a failure the tester reports. Vector
// lines are numbered from 1 in each file, as testers number the vectors of the file they load:
// only the lines that begin with a double quote inside pcf sections count (not the head, the
// pin block, comments, order switches or wait blocks).
class VectorLookup final : public CycleListener {
 public:
  // `file` from 0, `vector` from 1; with a map the report names the SVF line too.
  VectorLookup(std::size_t file, std::uint64_t vector, const MapFile* map = nullptr)
      : file_(file), vector_(vector), map_(map) {}

  void fileBegin(std::size_t index, const std::string& name) override;
  void parallelOrder(const std::vector<std::string>& names) override;
  void cycle(const Cycle& c) override;
  void wait(std::string_view amount, LineRef where) override { builder_.wait(amount, where); }
  void fileEnd(std::size_t index, std::uint64_t vectorLines) override;
  void finish(State finalState) override;

  // The operation is known: the rest of the set need not be read.
  bool done() const { return done_; }
  // The lines that name the vector and its operation; empty when the vector was not found.
  std::string report() const;
  // Why the vector was not found.
  std::string missing() const;

 private:
  struct Target {
    Cycle cycle;  // its PIO characters are copied into `pio`
    std::string pio;
    std::uint64_t line = 0;
    bool tck1 = false;
    bool inScan = false;
    std::uint64_t bit = 0;  // in a scan's Shift: its bit number
  };

  // The operations of the builder come back here.
  class Sink final : public OperationSink {
   public:
    explicit Sink(VectorLookup& lookup) : lookup_(lookup) {}
    void operation(Operation&& op) override { lookup_.operation(std::move(op)); }

   private:
    VectorLookup& lookup_;
  };

  void operation(Operation&& op);
  bool after(const Place& place) const;

  std::size_t file_;
  std::uint64_t vector_;
  const MapFile* map_;
  Sink sink_{*this};
  OperationBuilder builder_{sink_};
  std::vector<std::string> files_;
  std::vector<std::string> pioNames_;
  std::uint64_t scanBits_ = 0;
  std::uint64_t fileVectors_ = 0;
  bool fileSeen_ = false;
  std::optional<Target> target_;
  std::optional<Operation> found_;
  bool done_ = false;
};

}  // namespace kestrix::replay
