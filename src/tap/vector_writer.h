#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "pcf/pcf_file.h"
#include "tap/tap_state.h"

namespace kestrix {

struct Translation;

// The TCK-0 line of a cycle: TCK low, the TMS, TDI and TDO characters and the PIO pattern.
void writeTck0Line(Translation& t, char tms, char tdi, char tdo);
// The TCK-1 line: TCK high, advancing the TAP model; with -c it names the state entered and
// carries `comment`.
void writeTck1Line(Translation& t, char tms, char tdi, char tdo, std::string_view comment = {});
// A whole cycle: the TCK-0 line with `tdo`, then the TCK-1 line with "X" on TDO.
void writeCycle(Translation& t, char tms, char tdi, char tdo, std::string_view comment = {});

// The text of vector lines, the one place that defines it. Every line is a double quote, the
// TCK, TMS, TDI and TDO characters, the PIO pattern with its closing quote, and " \n"; with
// comments on, the TCK-1 line has " !", the state name, a blank and the caller's comment
// before its " \n".
namespace vector_line {

// Room for everything of a line but the PIO pattern and the caller's comment.
inline constexpr std::size_t kFixedRoom = 32;

inline char* put(char* at, std::string_view text) {
  // An empty view may hold no pointer at all, which memcpy must not be given.
  if (text.empty()) return at;
  std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

inline char* pins(char* at, char tck, char tms, char tdi, char tdo, std::string_view pio) {
  at[0] = '"';
  at[1] = tck;
  at[2] = tms;
  at[3] = tdi;
  at[4] = tdo;
  if (pio.size() == 1) {
    at[5] = pio[0];
    return at + 6;
  }
  return put(at + 5, pio);
}

// The eight bytes of a steady shift line without PIO pattern or comment, as a little-endian
// word, with zeros where the TDI (byte 3) and, on the TCK-0 line, the TDO (byte 4) go.
constexpr std::uint64_t packLine(std::string_view bytes) {
  std::uint64_t word = 0;
  for (std::size_t i = 0; i < 8; ++i) {
    auto byte = static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[i]));
    word |= byte << (8 * i);
  }
  return word;
}
inline constexpr std::uint64_t kPlainTck0 = packLine({"\"00\0\0\" \n", 8});
inline constexpr std::uint64_t kPlainTck1 = packLine({"\"10\0X\" \n", 8});

inline char* end(char* at) {
  at[0] = ' ';
  at[1] = '\n';
  return at + 2;
}

inline char* comment(char* at, std::string_view stateName, std::string_view text) {
  at = put(at, " !");
  at = put(at, stateName);
  *at++ = ' ';
  return put(at, text);
}

}  // namespace vector_line

// Writes `count` cycles of the middle of a scan, numbered from `firstBit`: TMS 0 in a state
// that TMS 0 keeps (DRSHIFT or IRSHIFT, as a rule), so the model needs no step per cycle.
// `tdi` and `tdo` hold the pin characters of the cycles, `comment(bit)` gives the comment of
// one (called only with comments on). Exactly the lines that writeCycle would write; the
// caller makes sure that inSteadyShift holds. The cursor lives in a local so that the compiler
// keeps it in a register while it stores the line bytes.
template <typename Comment>
void writeSteadyShift(Translation& t, PcfFile& file, std::uint64_t firstBit, std::size_t count,
                      const char* tdi, const char* tdo, Comment&& comment);

// The TAP is in a state that TMS 0 keeps (the shift states, and also IDLE and the pause states,
// where a scan begun outside a stable state clocks its bits) with TRST not ON: writeSteadyShift
// may write.
bool inSteadyShift(const Translation& t);

struct SteadyShiftLines {
  std::string_view pio;
  std::string_view stateName;
  bool commentsOn;
};
// What the steady lines hold; ends the run of steady cycles in the TAP model (TRST is OFF
// after every TCK-1 line) and charges `cycles` to the vector count.
SteadyShiftLines steadyShiftLines(const Translation& t);
void chargeSteadyShift(Translation& t, std::uint64_t cycles);

template <typename Comment>
void writeSteadyShift(Translation& t, PcfFile& file, std::uint64_t firstBit, std::size_t count,
                      const char* tdi, const char* tdo, Comment&& comment) {
  if (count == 0) return;
  const SteadyShiftLines lines = steadyShiftLines(t);
  // Two lines, each with its pattern, and a comment of at most 64 characters.
  const std::size_t room = 2 * (vector_line::kFixedRoom + lines.pio.size()) + 64;
  char* at = file.reserve(room);
  char* limit = file.bufferEnd() - room;
  const bool plain =
      std::endian::native == std::endian::little && !lines.commentsOn && lines.pio == "\"";
  for (std::size_t k = 0; k < count; ++k) {
    if (at > limit) {
      file.commit(at);
      at = file.reserve(room);
      limit = file.bufferEnd() - room;
    }
    if (plain) {
      // The common case: two lines of eight bytes, each stored as one word.
      std::uint64_t tdiBits = static_cast<std::uint64_t>(static_cast<unsigned char>(tdi[k]));
      std::uint64_t tdoBits = static_cast<std::uint64_t>(static_cast<unsigned char>(tdo[k]));
      std::uint64_t words[2] = {vector_line::kPlainTck0 | tdiBits << 24 | tdoBits << 32,
                                vector_line::kPlainTck1 | tdiBits << 24};
      std::memcpy(at, words, sizeof words);
      at += sizeof words;
      continue;
    }
    at = vector_line::end(vector_line::pins(at, '0', '0', tdi[k], tdo[k], lines.pio));
    at = vector_line::pins(at, '1', '0', tdi[k], 'X', lines.pio);
    if (lines.commentsOn) at = vector_line::comment(at, lines.stateName, comment(firstBit + k));
    at = vector_line::end(at);
  }
  file.commit(at);
  chargeSteadyShift(t, count);
}

}  // namespace kestrix
