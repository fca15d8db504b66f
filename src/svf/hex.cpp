#include "svf/hex.h"

#include <array>

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

constexpr std::array<char[4], 16> kNibbles = {{{'0', '0', '0', '0'}, {'0', '0', '0', '1'},
                                               {'0', '0', '1', '0'}, {'0', '0', '1', '1'},
                                               {'0', '1', '0', '0'}, {'0', '1', '0', '1'},
                                               {'0', '1', '1', '0'}, {'0', '1', '1', '1'},
                                               {'1', '0', '0', '0'}, {'1', '0', '0', '1'},
                                               {'1', '0', '1', '0'}, {'1', '0', '1', '1'},
                                               {'1', '1', '0', '0'}, {'1', '1', '0', '1'},
                                               {'1', '1', '1', '0'}, {'1', '1', '1', '1'}}};

}  // namespace

HexResult hexToBits(std::string_view hex, std::uint32_t bitLength, BitString& bits) {
  for (char c : hex) {
    if (digitValue(c) < 0 && !isBlank(c)) return HexResult::kNotHex;
  }
  bits = BitString{};
  if (bitLength == 0) return HexResult::kEmpty;
  std::size_t first = hex.find_first_not_of('0');
  bits.length = bitLength;
  if (first == std::string_view::npos) return HexResult::kOk;
  std::string_view digits = hex.substr(first);
  unsigned lead = significantBits(digits[0]);
  if (lead + 4 * static_cast<std::uint64_t>(digits.size() - 1) > bitLength) {
    return HexResult::kTooLong;
  }
  bits.low.resize(4 * digits.size());
  char* out = bits.low.data();
  for (char c : digits) {
    int value = digitValue(c);
    if (value < 0) continue;
    for (char b : kNibbles[static_cast<std::size_t>(value)]) *out++ = b;
  }
  bits.low.resize(static_cast<std::size_t>(out - bits.low.data()));
  // The first digit gives only its significant bits (none removed when it is a blank).
  if (digitValue(digits[0]) >= 0) bits.low.erase(0, 4 - lead);
  return HexResult::kOk;
}

}  // namespace kestrix
