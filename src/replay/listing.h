#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "replay/replay.h"

namespace kestrix::replay {

// Bits in shift order (bit 0 first) as SVF hex, most significant digit first; `one` tells
// which characters are 1 bits. ceil(n / 4) digits; empty for no bits.
std::string svfHex(std::string_view bits, std::string_view ones);

// A scan as one SVF statement: "SDR 8 TDI (A5) SMASK (0F) TDO (5A) MASK (FF);". SMASK is
// given when a TDI bit is not driven (Z), TDO and MASK when a TDO bit is compared.
std::string scanStatement(const Scan& scan);

// The PIO characters with their pin names: "PROG_B=1 DONE=L"; the characters alone when the
// names do not match them.
std::string pinsWithNames(std::string_view pins, const std::vector<std::string>& names);

// One operation as a line of the listing, without its place and line end: a scan as its SVF
// statement (with a comment for pauses, an end other than IDLE or a missing Update), the others
// as SVF comments ("! 4 cycles in IDLE", "! IDLE -> DRCAPTURE (2 cycles)", "! wait 100u").
std::string operationText(const Operation& op, const std::vector<std::string>& pioNames);

// "file:line: "
std::string placePrefix(const Place& place);

}  // namespace kestrix::replay
