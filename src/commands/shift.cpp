#include "commands/shift.h"

#include <charconv>
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
constexpr S kSirToReset[] = {S::IRPAUSE, S::IREXIT2,  S::IRUPDATE, S::IDLE,
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

char tdiCharacter(const ScanRegister& r, std::uint64_t i) {
  char tdi = r.tdi ? r.tdi->bit(i) : '\0';
  char smask = r.smask ? r.smask->bit(i) : '\0';
  return (tdi == '\0' || smask == '0') ? 'Z' : tdi;
}

char tdoCharacter(const ScanRegister& r, std::uint64_t i) {
  char tdo = r.tdo ? r.tdo->bit(i) : '\0';
  char mask = r.mask ? r.mask->bit(i) : '\0';
  if (tdo == '\0' || mask == '0') return 'X';
  return tdo == '0' ? 'L' : 'H';
}

// The bit comment, formatted only when comments are written.
std::string_view bitComment(Translation& t, const Segment& segment, std::uint64_t i, bool last,
                            std::string& buffer) {
  if (!t.options.commentsOn) return {};
  char number[24];
  auto end = std::to_chars(number, number + sizeof number, i).ptr;
  buffer.assign(segment.commentPrefix);
  buffer.append(number, end);
  buffer.append(segment.commentSuffix);
  if (last) buffer.append(segment.lastSuffix);
  return buffer;
}

// Shifts every bit of one segment; `leaves` puts TMS "1" on its last bit.
void shiftSegment(Translation& t, const Segment& segment, bool leaves) {
  const ScanRegister& r = t.pass.scans.record(segment.kind);
  checkExplicitValues(t, segment, r);
  std::string comment;
  for (std::uint64_t i = 0; i < r.length; ++i) {
    bool last = i + 1 == r.length;
    char tms = last && leaves ? '1' : '0';
    writeCycle(t, tms, tdiCharacter(r, i), tdoCharacter(r, i),
               bitComment(t, segment, i, last, comment));
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
