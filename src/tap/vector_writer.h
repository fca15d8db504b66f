#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/vector_format.h"
#include "pcf/charged_output.h"
#include "tap/tap_model.h"

namespace kestrix {

// What the writing of cycles needs of a translation: where the lines go and what they are
// charged to, the TAP model they advance, the PIO pattern they carry and whether comments are
// on. The members refer to the translation's own, so a cycle writer lasts as long as it does.
struct CycleWriter {
  ChargedOutput& output;
  TapModel& tap;
  const std::string& pioString;
  const bool& commentsOn;
};

// The TCK-0 line of a cycle: TCK low, the TMS, TDI and TDO characters and the PIO pattern.
void writeTck0Line(CycleWriter& w, char tms, char tdi, char tdo);
// The TCK-1 line: TCK high, advancing the TAP model; with -c it names the state entered and
// carries `comment`.
void writeTck1Line(CycleWriter& w, char tms, char tdi, char tdo, std::string_view comment = {});
// A whole cycle: the TCK-0 line with `tdo`, then the TCK-1 line with "X" on TDO.
void writeCycle(CycleWriter& w, char tms, char tdi, char tdo, std::string_view comment = {});

// The text of vector lines, composed as pcf/vector_format.h lays it out (the one place that
// defines it, which the replay reads lines by). Every line is the quote, the TCK, TMS, TDI and
// TDO characters, the PIO pattern with its closing quote, and the line end; with comments on,
// the TCK-1 line has the comment mark, the state name, a blank and the caller's comment before
// its line end.
namespace vector_line {

// Room for everything of a line but the PIO pattern and the caller's comment.
inline constexpr std::size_t kFixedRoom = 32;

constexpr char* put(char* at, std::string_view text) {
  // An empty view may hold no pointer at all, which memcpy must not be given.
  if (text.empty()) return at;
  return std::copy_n(text.data(), text.size(), at);
}

constexpr char* pins(char* at, char tck, char tms, char tdi, char tdo, std::string_view pio) {
  namespace format = vector_format;
  at[0] = format::kQuote;
  char* column = at + 1;
  column[format::kTckColumn] = tck;
  column[format::kTmsColumn] = tms;
  column[format::kTdiColumn] = tdi;
  column[format::kTdoColumn] = tdo;
  column += format::kJtagPins;
  if (pio.size() == 1) {
    *column = pio[0];
    return column + 1;
  }
  return put(column, pio);
}

constexpr char* end(char* at) { return put(at, vector_format::kLineEnd); }

constexpr char* comment(char* at, std::string_view stateName, std::string_view text) {
  at = put(at, vector_format::kCommentMark);
  at = put(at, stateName);
  *at++ = ' ';
  return put(at, text);
}

}  // namespace vector_line

// The TAP is in a state that TMS 0 keeps (the shift states, and also IDLE and the pause states,
// where a scan begun outside a stable state clocks its bits) with TRST not ON: the steady shift
// writer (tap/steady_shift.h) may write.
bool inSteadyShift(const CycleWriter& w);

}  // namespace kestrix
