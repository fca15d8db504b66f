#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

// A bit string of `length` bits, packed 64 to a word: bit i is bit i % 64 of words[i / 64].
// Only the words up to the highest set bit are stored; the bits above them are zeros, so an
// all-zero value of any length costs no memory.
struct BitString {
  std::uint64_t length = 0;
  std::vector<std::uint64_t> words;

  // Bit i counted from the least significant end: '0' or '1', or '\0' past the length.
  char bit(std::uint64_t i) const {
    if (i >= length) return '\0';
    return ((word(i / 64) >> (i % 64)) & 1) != 0 ? '1' : '0';
  }
  // Word `index` of the value; zero above the stored words.
  std::uint64_t word(std::uint64_t index) const { return index < words.size() ? words[index] : 0; }
  // Bits `from` to `from + 63`, bit `from` lowest; zeros above the stored words.
  std::uint64_t bitsFrom(std::uint64_t from) const {
    std::uint64_t index = from / 64;
    unsigned shift = static_cast<unsigned>(from % 64);
    if (shift == 0) return word(index);
    return word(index) >> shift | word(index + 1) << (64 - shift);
  }
  // The whole string, most significant bit first, for tests and messages.
  std::string text() const {
    std::string text(length, '0');
    for (std::uint64_t i = 0; i < length && i / 64 < words.size(); ++i) {
      text[length - 1 - i] = bit(i);
    }
    return text;
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
