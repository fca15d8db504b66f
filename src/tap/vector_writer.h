#pragma once

#include <string_view>

namespace kestrix {

struct Translation;

// The TCK-0 line of a cycle: TCK low, the TMS, TDI and TDO characters and the PIO pattern.
void writeTck0Line(Translation& t, char tms, char tdi, char tdo);
// The TCK-1 line: TCK high, advancing the TAP model; with -c it names the state entered and
// carries `comment`.
void writeTck1Line(Translation& t, char tms, char tdi, char tdo, std::string_view comment = {});
// A whole cycle: the TCK-0 line with `tdo`, then the TCK-1 line with "X" on TDO.
void writeCycle(Translation& t, char tms, char tdi, char tdo, std::string_view comment = {});

}  // namespace kestrix
