#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "core/io.h"
#include "replay/cycle.h"

namespace kestrix::replay {

// Writes the cycles as a Value Change Dump that GTKWave and other viewers open: the wires TCK,
// TMS, TDI and TDO (the expected level: x where it is not compared, z where TDI is not
// driven), the TAP state as a string signal, the number of the scan a cycle belongs to (from
// 1; 0 outside scans) and the amount of each wait as a string signal. Time counts lines, not
// seconds: every vector line and every wait line is one step of 1 ns.
class VcdWriter final : public CycleListener {
 public:
  VcdWriter(std::unique_ptr<ByteSink> sink, std::string name);

  void cycle(const Cycle& c) override;
  void wait(std::string_view amount, LineRef where) override;
  void finish(State finalState) override;

  // False when a write failed; the file is then incomplete.
  bool ok() const { return ok_; }
  const std::string& name() const { return name_; }

 private:
  struct Values {
    char tck = 'x', tms = 'x', tdi = 'x', tdo = 'x';
    State state = State::UNDEFINED;
    std::uint64_t scan = 0;
    std::string wait = "-";
  };

  void header();
  // Appends the parts to the buffer, one after the other.
  void put(std::initializer_list<std::string_view> parts);
  void step(const Values& values);
  void flush();

  std::unique_ptr<ByteSink> sink_;
  std::string name_;
  std::string buffer_;
  Values last_;
  bool started_ = false;
  bool ok_ = true;
  std::uint64_t time_ = 0;
  std::uint64_t scans_ = 0;
  bool inScan_ = false;
};

}  // namespace kestrix::replay
