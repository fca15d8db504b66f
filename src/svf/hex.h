#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

// A bit string of `length` bits. Only the bits from bit 0 up to the highest set digit are
// stored, least significant first ('0'/'1' characters in `stored`, so that scans, which shift
// bit 0 first, read it forwards); the bits above them are zeros, so an all-zero value of any
// length costs no memory.
struct BitString {
  std::uint64_t length = 0;
  std::string stored;

  // Bit i counted from the least significant end: '0' or '1', or '\0' past the length.
  char bit(std::uint64_t i) const {
    if (i < stored.size()) return stored[i];
    return i < length ? '0' : '\0';
  }
  // The whole string, most significant bit first, for tests and messages.
  std::string text() const {
    return std::string(length - stored.size(), '0') + std::string(stored.rbegin(), stored.rend());
  }
};

enum class HexResult { kOk, kEmpty, kNotHex, kTooLong };

// Converts the hex text of a TDI, TDO, MASK or SMASK value into `bits` of `bitLength` bits.
// kEmpty: the length is 0 and no string is made. kNotHex: a character is neither a hex digit
// nor a blank. kTooLong: the text holds more significant bits than the length. Blanks add no
// bits but each counts as four in the length check.
HexResult hexToBits(std::string_view hex, std::uint32_t bitLength, BitString& bits);

// The checks of hexToBits alone, without making the string.
HexResult checkHex(std::string_view hex, std::uint32_t bitLength);

}  // namespace kestrix
