#include "svf/hex.h"

#include <array>
#include <cstring>

#include "svf/blank.h"

namespace kestrix {
namespace {

// -1 for a character that is not a hex digit.
constexpr std::array<signed char, 256> makeDigitTable() {
  std::array<signed char, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<signed char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<signed char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<signed char>(c - 'a' + 10);
  return table;
}
constexpr std::array<signed char, 256> kDigitValue = makeDigitTable();

int digitValue(char c) { return kDigitValue[static_cast<unsigned char>(c)]; }

// The bits a leading digit contributes: "1" has one, "2"-"3" two, "4"-"7" three, others four.
unsigned significantBits(char c) {
  int value = digitValue(c);
  if (value == 1) return 1;
  if (value == 2 || value == 3) return 2;
  if (value >= 4 && value <= 7) return 3;
  return 4;
}

// Each digit's four bits, least significant first.
constexpr std::array<char[4], 16> kReversedNibbles = {{{'0', '0', '0', '0'},
                                                       {'1', '0', '0', '0'},
                                                       {'0', '1', '0', '0'},
                                                       {'1', '1', '0', '0'},
                                                       {'0', '0', '1', '0'},
                                                       {'1', '0', '1', '0'},
                                                       {'0', '1', '1', '0'},
                                                       {'1', '1', '1', '0'},
                                                       {'0', '0', '0', '1'},
                                                       {'1', '0', '0', '1'},
                                                       {'0', '1', '0', '1'},
                                                       {'1', '1', '0', '1'},
                                                       {'0', '0', '1', '1'},
                                                       {'1', '0', '1', '1'},
                                                       {'0', '1', '1', '1'},
                                                       {'1', '1', '1', '1'}}};

}  // namespace

HexResult checkHex(std::string_view hex, std::uint32_t bitLength) {
  // Masks rather than a table or branches, so that the compiler tests many characters at once.
  std::uint8_t invalid = 0;
  for (char c : hex) {
    auto u = static_cast<std::uint8_t>(c);
    auto digit = static_cast<std::uint8_t>(u - '0');
    auto letter = static_cast<std::uint8_t>((u | 0x20) - 'a');
    auto control = static_cast<std::uint8_t>(u - '\t');  // tab, newline, vertical tab, ...
    std::uint8_t ok = (digit < 10 ? 0xFF : 0) | (letter < 6 ? 0xFF : 0) | (control < 5 ? 0xFF : 0) |
                      (u == ' ' ? 0xFF : 0);
    invalid |= static_cast<std::uint8_t>(~ok);
  }
  if (invalid) return HexResult::kNotHex;
  if (bitLength == 0) return HexResult::kEmpty;
  std::size_t first = hex.find_first_not_of('0');
  if (first == std::string_view::npos) return HexResult::kOk;
  std::uint64_t needed =
      significantBits(hex[first]) + 4 * static_cast<std::uint64_t>(hex.size() - first - 1);
  return needed > bitLength ? HexResult::kTooLong : HexResult::kOk;
}

HexResult hexToBits(std::string_view hex, std::uint32_t bitLength, BitString& bits) {
  HexResult result = checkHex(hex, bitLength);
  if (result == HexResult::kNotHex || result == HexResult::kTooLong) return result;
  bits = BitString{};
  if (result == HexResult::kEmpty) return result;
  bits.length = bitLength;
  std::size_t first = hex.find_first_not_of('0');
  if (first == std::string_view::npos) return HexResult::kOk;
  std::string_view digits = hex.substr(first);
  // From the last digit back: bit 0 first.
  bits.stored.resize(4 * digits.size());
  char* out = bits.stored.data();
  for (auto c = digits.rbegin(); c != digits.rend(); ++c) {
    int value = digitValue(*c);
    if (value < 0) continue;
    std::memcpy(out, kReversedNibbles[static_cast<std::size_t>(value)], 4);
    out += 4;
  }
  // The first digit gives only its significant bits (all four when it is a blank).
  std::size_t unused = digitValue(digits[0]) >= 0 ? 4 - significantBits(digits[0]) : 0;
  bits.stored.resize(static_cast<std::size_t>(out - bits.stored.data()) - unused);
  return HexResult::kOk;
}

}  // namespace kestrix
