#include "commands/shift.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "driver/messages.h"
#include "driver/translation.h"
#include "tap/navigation.h"
#include "tap/vector_writer.h"

namespace kestrix {
namespace {

using S = TapState;

// What distinguishes the six segments.
struct Segment {
  ScanKind kind;
  std::string_view name;
  // The bit comment up to the bit number; the header's ends in a blank.
  std::string_view commentPrefix;
  std::string_view commentSuffix;
  std::string_view lastSuffix;
  bool checksMask;
};

constexpr Segment kHdr{ScanKind::HDR, "HDR", "HDR bit ", " ", " Data Header entered", true};
constexpr Segment kSdr{ScanKind::SDR, "SDR", "SDR bit ", "", " Data Entered", false};
constexpr Segment kTdr{ScanKind::TDR, "TDR", "TDR bit ", "", " Data Trailer entered", true};
constexpr Segment kHir{ScanKind::HIR, "HIR", "HIR bit ", "", " Instruction Header entered", true};
constexpr Segment kSir{ScanKind::SIR, "SIR", "SIR bit ", "", " Instruction entered", true};
constexpr Segment kTir{ScanKind::TIR, "TIR", "TIR bit ", "", " Instruction Trailer entered", true};

constexpr S kSdrFromReset[] = {S::IDLE, S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrFromIdle[] = {S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrFromDrPause[] = {S::DREXIT2,  S::DRUPDATE,  S::IDLE,
                                 S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrFromIrPause[] = {S::IREXIT2, S::IRUPDATE, S::DRSELECT, S::DRCAPTURE, S::DRSHIFT};
constexpr S kSdrToReset[] = {S::DRUPDATE, S::IDLE, S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kSdrToIdle[] = {S::DRUPDATE, S::IDLE};
constexpr S kSdrToDrPause[] = {S::DRPAUSE};
constexpr S kSdrToIrPause[] = {S::DRUPDATE,  S::IDLE,    S::DRSELECT, S::IRSELECT,
                               S::IRCAPTURE, S::IREXIT1, S::IRPAUSE};

constexpr S kSirFromReset[] = {S::IDLE, S::DRSELECT, S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromIdle[] = {S::DRSELECT, S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromDrPause[] = {S::DREXIT2,  S::DRUPDATE,  S::IDLE,   S::DRSELECT,
                                 S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirFromIrPause[] = {S::IREXIT2,  S::IRUPDATE,  S::IDLE,   S::DRSELECT,
                                 S::IRSELECT, S::IRCAPTURE, S::IRSHIFT};
constexpr S kSirToReset[] = {S::IRPAUSE,  S::IREXIT2,  S::IRUPDATE, S::IDLE,
                             S::DRSELECT, S::IRSELECT, S::RESET};
constexpr S kSirToIdle[] = {S::IRPAUSE, S::IREXIT2, S::IRUPDATE, S::IDLE};
constexpr S kSirToDrPause[] = {S::IRPAUSE,  S::IREXIT2,   S::IRUPDATE, S::IDLE,
                               S::DRSELECT, S::DRCAPTURE, S::DREXIT1,  S::DRPAUSE};
constexpr S kSirToIrPause[] = {S::IRPAUSE};

// A walk for each stable state the walk starts from (or ends in).
struct StablePaths {
  std::span<const S> reset, idle, drPause, irPause;

  std::span<const S> from(S state) const {
    switch (state) {
      case S::RESET:
        return reset;
      case S::IDLE:
        return idle;
      case S::DRPAUSE:
        return drPause;
      case S::IRPAUSE:
        return irPause;
      default:
        return {};
    }
  }
};

// One side's scan: its three segments, its walks and the end state that ENDDR or ENDIR set.
struct Side {
  const Segment& header;
  const Segment& data;
  const Segment& trailer;
  StablePaths entry;
  StablePaths exit;
  TapState TimingState::*endState;
  bool dataSide;
};

const Side kDrSide{kHdr,
                   kSdr,
                   kTdr,
                   {kSdrFromReset, kSdrFromIdle, kSdrFromDrPause, kSdrFromIrPause},
                   {kSdrToReset, kSdrToIdle, kSdrToDrPause, kSdrToIrPause},
                   &TimingState::endDrState,
                   true};
const Side kIrSide{kHir,
                   kSir,
                   kTir,
                   {kSirFromReset, kSirFromIdle, kSirFromDrPause, kSirFromIrPause},
                   {kSirToReset, kSirToIdle, kSirToDrPause, kSirToIrPause},
                   &TimingState::endIrState,
                   false};

// A kept TDI, MASK or SMASK must be given again after its length changed.
void checkExplicitValues(Translation& t, const Segment& segment, const ScanRegister& r) {
  if (r.length == 0 || !r.lengthChanged) return;
  std::string errors;
  std::string prefix = "ERROR Must explicitly specify " + std::string(segment.name);
  if (!r.tdiGiven && r.tdi) errors += prefix + " TDI.\n";
  if (segment.checksMask && !r.maskGiven && r.mask && r.tdo) errors += prefix + " MASK.\n";
  if (!r.smaskGiven && r.smask) errors += prefix + " SMASK.\n";
  if (!errors.empty()) failWithLastLine(t, errors);
}

// One bit string of a record read from its least significant end; absent strings read as
// '\0' for every bit, as do present ones past their own length.
class BitView {
 public:
  explicit BitView(const std::optional<BitString>& bits) {
    if (bits) {
      low_ = bits->low.data();
      lowSize_ = bits->low.size();
      length_ = bits->length;
    }
  }
  char bit(std::uint64_t i) const {
    if (i < lowSize_) return low_[lowSize_ - 1 - i];
    return i < length_ ? '0' : '\0';
  }
  bool present() const { return length_ != 0; }
  // Bits below `end` all come from the stored digits (or the string is absent).
  bool stored(std::uint64_t end) const { return !present() || end <= lowSize_; }
  // Bit i is lowEnd()[-1 - i] while stored.
  const char* lowEnd() const { return low_ + lowSize_; }

 private:
  const char* low_ = nullptr;
  std::uint64_t lowSize_ = 0;
  std::uint64_t length_ = 0;
};

// The pin characters of every bit of one segment: TDI "Z" where nothing drives it, TDO "X"
// where nothing is compared.
class SegmentBits {
 public:
  explicit SegmentBits(const ScanRegister& r)
      : tdi_(r.tdi), tdo_(r.tdo), mask_(r.mask), smask_(r.smask) {}
  // Branch-free: scan data is random, and a mispredicted branch per bit costs more than the
  // rest of the cycle.
  char tdi(std::uint64_t i) const {
    static constexpr char kTdi[4] = {'Z', 'Z', '0', '1'};
    char level = tdi_.bit(i);
    unsigned driven = (level != '\0') & (smask_.bit(i) != '0');
    return kTdi[driven * 2 + (level == '1')];
  }
  char tdo(std::uint64_t i) const {
    static constexpr char kTdo[4] = {'X', 'X', 'L', 'H'};
    char level = tdo_.bit(i);
    unsigned compared = (level != '\0') & (mask_.bit(i) != '0');
    return kTdo[compared * 2 + (level == '1')];
  }

  // The characters of bits `from` to `from + count - 1`. Where every string holds its stored
  // digits for the whole range, loops without a test per string fill them.
  void fill(std::uint64_t from, std::size_t count, char* tdiOut, char* tdoOut) const {
    std::uint64_t end = from + count;
    if (tdi_.stored(end) && smask_.stored(end)) {
      fillTdi(from, count, tdiOut);
    } else {
      for (std::size_t k = 0; k < count; ++k) tdiOut[k] = tdi(from + k);
    }
    if (tdo_.stored(end) && mask_.stored(end)) {
      fillTdo(from, count, tdoOut);
    } else {
      for (std::size_t k = 0; k < count; ++k) tdoOut[k] = tdo(from + k);
    }
  }

 private:
  void fillTdi(std::uint64_t from, std::size_t count, char* out) const {
    if (!tdi_.present()) {
      std::memset(out, 'Z', count);
      return;
    }
    const char* level = tdi_.lowEnd() - 1 - from;
    if (!smask_.present()) {
      for (std::size_t k = 0; k < count; ++k) out[k] = level[-static_cast<std::ptrdiff_t>(k)];
      return;
    }
    const char* smask = smask_.lowEnd() - 1 - from;
    for (std::size_t k = 0; k < count; ++k) {
      auto back = -static_cast<std::ptrdiff_t>(k);
      out[k] = smask[back] == '0' ? 'Z' : level[back];
    }
  }
  void fillTdo(std::uint64_t from, std::size_t count, char* out) const {
    if (!tdo_.present()) {
      std::memset(out, 'X', count);
      return;
    }
    const char* level = tdo_.lowEnd() - 1 - from;
    const char* mask = mask_.present() ? mask_.lowEnd() - 1 - from : nullptr;
    for (std::size_t k = 0; k < count; ++k) {
      auto back = -static_cast<std::ptrdiff_t>(k);
      char expected = level[back] == '1' ? 'H' : 'L';
      out[k] = (mask != nullptr && mask[back] == '0') ? 'X' : expected;
    }
  }

  BitView tdi_, tdo_, mask_, smask_;
};

// The bit comment, formatted only when comments are written.
class BitComment {
 public:
  BitComment(const Segment& segment, bool commentsOn) : segment_(segment), on_(commentsOn) {}
  std::string_view operator()(std::uint64_t i, bool last) {
    if (!on_) return {};
    char* at = vector_line::put(text_, segment_.commentPrefix);
    at = std::to_chars(at, text_ + sizeof text_, i).ptr;
    at = vector_line::put(at, segment_.commentSuffix);
    if (last) at = vector_line::put(at, segment_.lastSuffix);
    return std::string_view(text_, static_cast<std::size_t>(at - text_));
  }

 private:
  const Segment& segment_;
  bool on_;
  char text_[64];
};

// The cycles that stay in the shift state, a chunk of pin characters at a time.
void shiftSteady(Translation& t, const SegmentBits& bits, BitComment& comment, std::uint64_t from,
                 std::uint64_t to) {
  constexpr std::size_t kChunk = 4096;
  char tdi[kChunk];
  char tdo[kChunk];
  for (std::uint64_t bit = from; bit < to; bit += kChunk) {
    auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, to - bit));
    bits.fill(bit, count, tdi, tdo);
    writeSteadyShift(t, *t.output, bit, count, tdi, tdo,
                     [&comment](std::uint64_t i) { return comment(i, false); });
  }
}

// Shifts every bit of one segment; `leaves` puts TMS "1" on its last bit. The cycles that
// stay in the shift state go through the steady writer.
void shiftSegment(Translation& t, const Segment& segment, bool leaves) {
  const ScanRegister& r = t.pass.scans.record(segment.kind);
  checkExplicitValues(t, segment, r);
  const SegmentBits bits(r);
  BitComment comment(segment, t.options.commentsOn);
  const std::uint64_t length = r.length;
  const std::uint64_t steadyEnd = leaves && length > 0 ? length - 1 : length;
  std::uint64_t i = 0;
  while (i < length) {
    if (i < steadyEnd && inSteadyShift(t)) {
      shiftSteady(t, bits, comment, i, steadyEnd);
      i = steadyEnd;
      continue;
    }
    bool last = i + 1 == length;
    writeCycle(t, last && leaves ? '1' : '0', bits.tdi(i), bits.tdo(i), comment(i, last));
    ++i;
  }
}

// Only the very last bit of the chain leaves the shift state. A chain without bits writes no
// cycle at all and leaves the TAP where it is.
void executeScan(Translation& t, const Side& side) {
  ScanState& scans = t.pass.scans;
  std::uint32_t data = scans.record(side.data.kind).length;
  std::uint32_t trailer = scans.record(side.trailer.kind).length;
  if (scans.record(side.header.kind).length != 0 || data != 0 || trailer != 0) {
    if (t.pass.tap.currentState == S::UNDEFINED) gotoState(t, S::RESET);
    walk(t, side.entry.from(t.pass.tap.currentState));
    shiftSegment(t, side.header, data == 0 && trailer == 0);
    shiftSegment(t, side.data, trailer == 0);
    shiftSegment(t, side.trailer, true);
    walk(t, side.exit.from(t.pass.timing.*side.endState));
  }
  releaseScanValues(scans, side.dataSide);
}

}  // namespace

void executeSdr(Translation& t) { executeScan(t, kDrSide); }

void executeSir(Translation& t) { executeScan(t, kIrSide); }

}  // namespace kestrix
