#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "svf/hex.h"

namespace kestrix {

struct Translation;

// The six scan parameter records, in keyword order.
enum class ScanKind : std::uint8_t { HDR, HIR, TDR, TIR, SDR, SIR };

// The parameters of one scan segment: its length and the bit strings kept for it.
struct ScanRegister {
  std::uint32_t length = 0;
  // The last length keyword replaced a different non-zero length: kept values may not fit.
  bool lengthChanged = false;
  std::optional<BitString> tdi;
  bool tdiGiven = false;
  // Present only between a TDO keyword and the end of the next scan of its side.
  std::optional<BitString> tdo;
  std::optional<BitString> mask;
  bool maskGiven = false;
  std::optional<BitString> smask;
  bool smaskGiven = false;
};

struct ScanState {
  std::array<ScanRegister, 6> records{};
  ScanKind currentScanKind = ScanKind::HDR;
  bool sdrInStatement = false;
  bool sirInStatement = false;

  ScanRegister& record(ScanKind kind) { return records[static_cast<std::size_t>(kind)]; }
};

// The handlers of the length keywords HDR, HIR, TDR, TIR, SDR and SIR.
void setScanLength(Translation& t, ScanKind kind, std::string_view value);
// The handlers of TDI, TDO, MASK and SMASK: they fill the record of the last length keyword.
void setScanTdi(Translation& t, std::string_view value);
void setScanTdo(Translation& t, std::string_view value);
void setScanMask(Translation& t, std::string_view value);
void setScanSmask(Translation& t, std::string_view value);

void resetScanRegister(ScanRegister& record);
// After a scan of its side: the given flags, lengthChanged and TDO are released; the length
// and the kept TDI, MASK and SMASK stay.
void releaseScanValues(ScanState& scans, bool dataSide);

}  // namespace kestrix
