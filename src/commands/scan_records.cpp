#include "commands/scan_records.h"

#include <string>

#include "core/blank.h"
#include "translation/messages.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

// The length in a value text: leading blanks, then decimal digits and nothing else. Anything
// else (a sign, "0x10", "8.5", "1E3") or a count above 32 bits stops the run.
std::uint32_t readScanLength(Translation& t, std::string_view value) {
  std::size_t at = 0;
  while (at < value.size() && isBlank(value[at])) ++at;
  std::uint64_t length = 0;
  // One or more decimal digits and nothing else: "0x10" or "8.5" is no length of 0 or 8.
  bool invalid = at == value.size();
  for (; !invalid && at < value.size(); ++at) {
    invalid = !isDigit(value[at]);
    length = length * 10 + static_cast<std::uint64_t>(value[at] - '0');
    invalid = invalid || length > UINT32_MAX;
  }
  if (invalid) failStatement(t, "\nInvalid scan length " + std::string(value) + "!\n");
  return static_cast<std::uint32_t>(length);
}

void convertInto(Translation& t, std::string_view value, std::optional<BitString>& slot) {
  ScanRegister& record = t.pass.scans.record(t.pass.scans.currentScanKind);
  BitString bits;
  // A pass that only counts lines needs to know which values are present, not their bits.
  HexResult result = t.mode == PassMode::kCounting ? checkHex(value, record.length)
                                                   : hexToBits(value, record.length, bits);
  if (t.mode == PassMode::kCounting) bits.length = record.length;
  switch (result) {
    case HexResult::kOk:
      slot = std::move(bits);
      return;
    case HexResult::kEmpty:
      slot.reset();
      return;
    case HexResult::kNotHex:
      failInStatement(t, "ERROR hex string " + std::string(value) + " is not hexadecimal.\n");
    case HexResult::kTooLong:
      failInStatement(t, "ERROR hex string " + std::string(value) + " is longer than " +
                             std::to_string(record.length) + " bits.\n");
  }
}

ScanRegister& currentRecord(Translation& t) {
  return t.pass.scans.record(t.pass.scans.currentScanKind);
}

}  // namespace

void resetScanRegister(ScanRegister& record) { record = ScanRegister{}; }

void setScanLength(Translation& t, ScanKind kind, std::string_view value) {
  std::uint32_t length = readScanLength(t, value);
  ScanState& scans = t.pass.scans;
  ScanRegister& record = scans.record(kind);
  if (length == 0) resetScanRegister(record);
  record.lengthChanged = record.length != 0 && record.length != length;
  record.length = length;
  scans.currentScanKind = kind;
  if (kind == ScanKind::SDR) scans.sdrInStatement = true;
  if (kind == ScanKind::SIR) scans.sirInStatement = true;
}

void setScanTdi(Translation& t, std::string_view value) {
  convertInto(t, value, currentRecord(t).tdi);
  currentRecord(t).tdiGiven = true;
}

void setScanTdo(Translation& t, std::string_view value) {
  convertInto(t, value, currentRecord(t).tdo);
}

void setScanMask(Translation& t, std::string_view value) {
  convertInto(t, value, currentRecord(t).mask);
  currentRecord(t).maskGiven = true;
}

void setScanSmask(Translation& t, std::string_view value) {
  convertInto(t, value, currentRecord(t).smask);
  currentRecord(t).smaskGiven = true;
}

void releaseScanValues(ScanState& scans, bool dataSide) {
  const ScanKind sides[2][3] = {{ScanKind::HIR, ScanKind::SIR, ScanKind::TIR},
                                {ScanKind::HDR, ScanKind::SDR, ScanKind::TDR}};
  for (ScanKind kind : sides[dataSide ? 1 : 0]) {
    ScanRegister& record = scans.record(kind);
    record.lengthChanged = record.tdiGiven = record.maskGiven = record.smaskGiven = false;
    record.tdo.reset();
  }
}

}  // namespace kestrix
