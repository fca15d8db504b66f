#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

// A bit string of `length` bits, most significant first. Only the low bits from the highest
// set digit down are stored ('0'/'1' characters in `low`); the leading bits above them are
// zeros, so an all-zero value of any length costs no memory. Scans read it from bit 0 up.
struct BitString {
  std::uint64_t length = 0;
  std::string low;

  // Bit i counted from the least significant end: '0' or '1', or '\0' past the length.
  char bit(std::uint64_t i) const {
    if (i < low.size()) return low[low.size() - 1 - i];
    return i < length ? '0' : '\0';
  }
  // The whole string, for tests and messages.
  std::string text() const { return std::string(length - low.size(), '0') + low; }
};

enum class HexResult { kOk, kEmpty, kNotHex, kTooLong };

// Converts the hex text of a TDI, TDO, MASK or SMASK value into `bits` of `bitLength` bits.
// kEmpty: the length is 0 and no string is made. kNotHex: a character is neither a hex digit
// nor a blank. kTooLong: the text holds more significant bits than the length. Blanks add no
// bits but each counts as four in the length check.
HexResult hexToBits(std::string_view hex, std::uint32_t bitLength, BitString& bits);

}  // namespace kestrix
