#include "commands/shift.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>

#include "commands/scan_records.h"
#include "core/svf_paths.h"
#include "tap/navigation.h"
#include "tap/steady_shift.h"
#include "tap/vector_writer.h"
#include "translation/messages.h"
#include "translation/output_files.h"
#include "translation/translation.h"

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
};

constexpr Segment kHdr{ScanKind::HDR, "HDR", "HDR bit ", " ", " Data Header entered"};
constexpr Segment kSdr{ScanKind::SDR, "SDR", "SDR bit ", "", " Data Entered"};
constexpr Segment kTdr{ScanKind::TDR, "TDR", "TDR bit ", "", " Data Trailer entered"};
constexpr Segment kHir{ScanKind::HIR, "HIR", "HIR bit ", "", " Instruction Header entered"};
constexpr Segment kSir{ScanKind::SIR, "SIR", "SIR bit ", "", " Instruction entered"};
constexpr Segment kTir{ScanKind::TIR, "TIR", "TIR bit ", "", " Instruction Trailer entered"};

// One side's scan: its three segments, its walks and the end state that ENDDR or ENDIR set.
struct Side {
  const Segment& header;
  const Segment& data;
  const Segment& trailer;
  TapState TimingState::*endState;
  bool dataSide;
};

const Side kDrSide{kHdr, kSdr, kTdr, &TimingState::endDrState, true};
const Side kIrSide{kHir, kSir, kTir, &TimingState::endIrState, false};

// A kept TDI must be given again after its length changed: its bits were meant for another
// length.
void checkExplicitValues(Translation& t, const Segment& segment, const ScanRegister& r) {
  if (r.length == 0 || !r.lengthChanged) return;
  if (!r.tdiGiven && r.tdi) {
    failWithLastLine(t, "ERROR Must explicitly specify " + std::string(segment.name) + " TDI.\n");
  }
}

// A segment whose length changed without a MASK (SMASK) of its own compares every TDO bit given
// (drives every TDI bit): the kept one was made for another length and is released, for this
// scan and the ones after it.
void dropStaleMasks(ScanRegister& r) {
  if (r.length == 0 || !r.lengthChanged) return;
  if (!r.maskGiven) r.mask.reset();
  if (!r.smaskGiven) r.smask.reset();
}

// One bit string of a record read from its least significant end; absent strings read as
// '\0' for every bit, as do present ones past their own length.
class BitView {
 public:
  explicit BitView(const std::optional<BitString>& bits) : bits_(bits ? &*bits : nullptr) {}
  char bit(std::uint64_t i) const { return bits_ != nullptr ? bits_->bit(i) : '\0'; }
  // Bits `from` to `from + 63`, zeros where there are none.
  std::uint64_t levels(std::uint64_t from) const {
    return bits_ != nullptr ? bits_->bitsFrom(from) : 0;
  }
  // Which of bits `from` to `from + 63` the string has.
  std::uint64_t presence(std::uint64_t from) const {
    std::uint64_t length = bits_ != nullptr ? bits_->length : 0;
    if (from >= length) return 0;
    return length - from >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (length - from)) - 1;
  }

 private:
  const BitString* bits_;
};

// The pin characters of the bits of one segment: TDI "Z" where nothing drives it (no TDI bit,
// or SMASK "0"), TDO "X" where nothing is compared (no TDO bit, or MASK "0"), else "L" or "H".
// A missing SMASK or MASK bit counts as "1".
class SegmentBits {
 public:
  explicit SegmentBits(const ScanRegister& r)
      : tdi_(r.tdi), tdo_(r.tdo), mask_(r.mask), smask_(r.smask) {}

  char tdi(std::uint64_t i) const {
    char level = tdi_.bit(i);
    return (level == '\0' || smask_.bit(i) == '0') ? 'Z' : level;
  }
  char tdo(std::uint64_t i) const {
    char level = tdo_.bit(i);
    if (level == '\0' || mask_.bit(i) == '0') return 'X';
    return level == '0' ? 'L' : 'H';
  }

  // The levels of bits `from` to `from + count - 1`, 64 to an entry of `out`: a few word
  // operations for 64 bits, whatever the data.
  void fill(std::uint64_t from, std::size_t count, ShiftLevels* out) const {
    for (std::size_t k = 0; k < count; k += 64) {
      std::uint64_t at = from + k;
      ShiftLevels& levels = out[k / 64];
      levels.tdi = tdi_.levels(at);
      levels.driven = tdi_.presence(at) & ~(smask_.presence(at) & ~smask_.levels(at));
      levels.tdo = tdo_.levels(at);
      levels.compared = tdo_.presence(at) & ~(mask_.presence(at) & ~mask_.levels(at));
    }
  }

 private:
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

// Bits `from` to `to - 1` of a segment, all of them cycles that stay in their state and none
// of them the segment's last, whose comment differs: through the steady writer, a chunk of
// levels at a time.
void shiftSteady(Translation& t, const Segment& segment, const SegmentBits& bits,
                 std::uint64_t from, std::uint64_t to) {
  constexpr std::size_t kChunk = 4096;
  ShiftLevels levels[kChunk / 64];
  const BitNumberComment comment{segment.commentPrefix, segment.commentSuffix};
  const bool counting = t.output->discarding();
  for (std::uint64_t bit = from; bit < to; bit += kChunk) {
    auto count = static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, to - bit));
    if (!counting) bits.fill(bit, count, levels);
    writeSteadyShift(t.cycles, bit, count, levels, comment);
  }
}

// The bits a pass that pauses scans may still shift into the current file before it pauses
// the scan for the next one (none when it must pause now); unlimited in other passes.
std::uint64_t bitsBeforePause(const Translation& t) {
  if (t.mode != PassMode::kPausingScans) return UINT64_MAX;
  std::int64_t room = t.options.maxVectors - kPauseRoom - t.pass.output.vectorCount;
  return room <= 0 ? 0 : static_cast<std::uint64_t>(room + 1) / 2;
}

bool inShiftState(const Translation& t) {
  TapState state = t.pass.tap.currentState;
  return state == S::DRSHIFT || state == S::IRSHIFT;
}

// Pauses a scan between two files: this bit leaves the shift state, one cycle enters the pause
// state and the file ends; the next one goes on from there through Exit2 back into Shift. The
// device sees one scan, with no Update and no Capture.
void pauseAcrossFiles(Translation& t, char tdi, char tdo, std::string_view comment) {
  bool dr = t.pass.tap.currentState == S::DRSHIFT;
  writeCycle(t.cycles, '1', tdi, tdo, comment);
  stepToward(t.cycles, dr ? S::DRPAUSE : S::IRPAUSE);
  openContinuationFile(t);
  walk(t.cycles, scanEntryPath(!dr, dr ? S::DRPAUSE : S::IRPAUSE));
}

// Shifts every bit of one segment; `leaves` puts TMS "1" on its last bit. The cycles that
// stay in their state (the shift state, as a rule) go through the steady writer, as many as
// the file has room for in a pass that pauses scans; the segment's last bit goes on its own,
// with its own comment. Every bit but the last one of the chain may pause the scan.
void shiftSegment(Translation& t, const Segment& segment, bool leaves) {
  ScanRegister& r = t.pass.scans.record(segment.kind);
  checkExplicitValues(t, segment, r);
  dropStaleMasks(r);
  const SegmentBits bits(r);
  BitComment comment(segment, t.options.commentsOn);
  const std::uint64_t length = r.length;
  const std::uint64_t chainEnd = leaves && length > 0 ? length - 1 : length;
  const std::uint64_t steadyEnd = length > 0 ? length - 1 : 0;
  std::uint64_t i = 0;
  while (i < length) {
    bool last = i + 1 == length;
    std::uint64_t allowed = bitsBeforePause(t);
    if (i < chainEnd && allowed == 0 && inShiftState(t)) {
      pauseAcrossFiles(t, bits.tdi(i), bits.tdo(i), comment(i, last));
      ++i;
      continue;
    }
    std::uint64_t end = i + std::min(steadyEnd - std::min(i, steadyEnd), allowed);
    if (i < end && inSteadyShift(t.cycles)) {
      shiftSteady(t, segment, bits, i, end);
      i = end;
      continue;
    }
    writeCycle(t.cycles, last && leaves ? '1' : '0', bits.tdi(i), bits.tdo(i), comment(i, last));
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
    if (t.pass.tap.currentState == S::UNDEFINED) gotoState(t.cycles, S::RESET);
    walk(t.cycles, scanEntryPath(!side.dataSide, t.pass.tap.currentState));
    shiftSegment(t, side.header, data == 0 && trailer == 0);
    shiftSegment(t, side.data, trailer == 0);
    shiftSegment(t, side.trailer, true);
    walk(t.cycles, scanExitPath(!side.dataSide, t.pass.timing.*side.endState));
  }
  releaseScanValues(scans, side.dataSide);
}

}  // namespace

void executeSdr(Translation& t) { executeScan(t, kDrSide); }

void executeSir(Translation& t) { executeScan(t, kIrSide); }

}  // namespace kestrix
