#include "replay/vcd_writer.h"

#include "replay/tap.h"

namespace kestrix::replay {
namespace {

constexpr std::size_t kBlock = 1 << 20;

// The level of a pin character as a VCD value.
char level(char pin) {
  switch (pin) {
    case '0':
    case 'L':
      return '0';
    case '1':
    case 'H':
      return '1';
    case 'Z':
      return 'z';
    default:
      return 'x';
  }
}

std::string binary(std::uint64_t value) {
  std::string bits;
  do {
    bits.push_back(static_cast<char>('0' + (value & 1)));
    value >>= 1;
  } while (value != 0);
  return std::string(bits.rbegin(), bits.rend());
}

}  // namespace

VcdWriter::VcdWriter(std::unique_ptr<ByteSink> sink, std::string name)
    : sink_(std::move(sink)), name_(std::move(name)) {}

void VcdWriter::header() {
  buffer_ +=
      "$version kestrix-replay $end\n"
      "$comment one time step per vector line and per wait line $end\n"
      "$timescale 1 ns $end\n"
      "$scope module jtag $end\n"
      "$var wire 1 ! TCK $end\n"
      "$var wire 1 \" TMS $end\n"
      "$var wire 1 # TDI $end\n"
      "$var wire 1 $ TDO $end\n"
      "$var string 1 % state $end\n"
      "$var integer 32 & scan $end\n"
      "$var string 1 ' wait $end\n"
      "$upscope $end\n"
      "$enddefinitions $end\n";
  started_ = true;
}

// One time step: the values that changed since the last one.
void VcdWriter::step(const Values& v) {
  if (!started_) header();
  put({"#", std::to_string(time_++), "\n"});
  bool all = time_ == 1;
  auto wire = [&](char now, char before, char id) {
    if (all || now != before) {
      buffer_ += now;
      buffer_ += id;
      buffer_ += '\n';
    }
  };
  wire(v.tck, last_.tck, '!');
  wire(v.tms, last_.tms, '"');
  wire(v.tdi, last_.tdi, '#');
  wire(v.tdo, last_.tdo, '$');
  if (all || v.state != last_.state) put({"s", stateName(v.state), " %\n"});
  if (all || v.scan != last_.scan) put({"b", binary(v.scan), " &\n"});
  if (all || v.wait != last_.wait) put({"s", v.wait, " '\n"});
  last_ = v;
  if (buffer_.size() >= kBlock) flush();
}

void VcdWriter::cycle(const Cycle& c) {
  bool scan = isScanState(c.from);
  if (scan && !inScan_) ++scans_;
  inScan_ = scan;
  Values low{'0', level(c.tms), level(c.tdi), level(c.tdo), c.from, scan ? scans_ : 0, "-"};
  step(low);
  // The TAP moves on the rising edge; the TCK-1 line compares nothing.
  Values high = low;
  high.tck = '1';
  high.tdo = 'x';
  high.state = c.to;
  step(high);
}

void VcdWriter::wait(std::string_view amount, LineRef) {
  Values during = last_;
  during.wait = amount;
  // Between cycles the TAP rests in the state the last one entered.
  if (!isScanState(during.state)) during.scan = 0;
  step(during);
}

void VcdWriter::finish(State) {
  if (!started_) header();
  put({"#", std::to_string(time_), "\n"});
  flush();
  if (ok_ && !sink_->close()) ok_ = false;
}

void VcdWriter::put(std::initializer_list<std::string_view> parts) {
  for (std::string_view part : parts) buffer_.append(part);
}

void VcdWriter::flush() {
  if (ok_ && !buffer_.empty() && !sink_->write(buffer_)) ok_ = false;
  buffer_.clear();
}

}  // namespace kestrix::replay
