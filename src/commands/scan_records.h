#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "translation/pass_state.h"

namespace kestrix {

struct Translation;

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
