#include "svf/hex.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/blank.h"

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

constexpr std::uint64_t kBytes = 0x0101010101010101u;

// Eight hex digits, the most significant at the lowest address, as a 32-bit value; false when
// one of the eight characters is a blank (the text holds only digits and blanks, all of them
// below 0x80, and the blanks below '0').
bool eightDigits(const char* text, std::uint32_t& value) {
  std::uint64_t chars;
  std::memcpy(&chars, text, sizeof chars);
  if constexpr (std::endian::native == std::endian::big) chars = __builtin_bswap64(chars);
  if (((chars + (0x80 - '0') * kBytes) & 0x80 * kBytes) != 0x80 * kBytes) return false;
  // '0'-'9' keep their low four bits; 'A'-'F' and 'a'-'f' (bit 6 set) get 9 more.
  std::uint64_t nibbles = (chars & 0x0F * kBytes) + ((chars >> 6) & kBytes) * 9;
  // Pairs of digits into bytes, bytes into 16-bit and 32-bit groups, first digit highest.
  std::uint64_t pairs =
      ((nibbles & 0x000F000F000F000Fu) << 4) | ((nibbles >> 8) & 0x000F000F000F000Fu);
  std::uint64_t quads = (pairs | pairs >> 8) & 0x0000FFFF0000FFFFu;
  auto packed = static_cast<std::uint32_t>(quads | quads >> 16);
  value = __builtin_bswap32(packed);
  return true;
}

// Every character a hex digit or a blank. Masks rather than a table or branches; with SSE2,
// sixteen characters at a time.
bool onlyHexAndBlanks(std::string_view text) {
  std::size_t at = 0;
#if defined(__SSE2__)
  // Signed compares: bytes above 0x7F are negative and fall outside every range.
  auto inRange = [](__m128i bytes, char low, char high) {
    return _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8(static_cast<char>(low - 1))),
                         _mm_cmplt_epi8(bytes, _mm_set1_epi8(static_cast<char>(high + 1))));
  };
  __m128i invalid = _mm_setzero_si128();
  for (; at + 16 <= text.size(); at += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + at));
    __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
    __m128i ok = _mm_or_si128(
        _mm_or_si128(inRange(bytes, '0', '9'), inRange(lower, 'a', 'f')),
        _mm_or_si128(inRange(bytes, '\t', '\r'), _mm_cmpeq_epi8(bytes, _mm_set1_epi8(' '))));
    invalid = _mm_or_si128(invalid, _mm_andnot_si128(ok, _mm_set1_epi8(-1)));
  }
  if (_mm_movemask_epi8(invalid) != 0) return false;
#endif
  std::uint8_t invalidTail = 0;
  for (; at < text.size(); ++at) {
    auto u = static_cast<std::uint8_t>(text[at]);
    auto digit = static_cast<std::uint8_t>(u - '0');
    auto letter = static_cast<std::uint8_t>((u | 0x20) - 'a');
    auto control = static_cast<std::uint8_t>(u - '\t');  // tab, newline, vertical tab, ...
    std::uint8_t ok = (digit < 10 ? 0xFF : 0) | (letter < 6 ? 0xFF : 0) | (control < 5 ? 0xFF : 0) |
                      (u == ' ' ? 0xFF : 0);
    invalidTail |= static_cast<std::uint8_t>(~ok);
  }
  return invalidTail == 0;
}

}  // namespace

HexResult checkHex(std::string_view hex, std::uint32_t bitLength) {
  bool invalid = !onlyHexAndBlanks(hex);
  if (invalid) return HexResult::kNotHex;
  if (bitLength == 0) return HexResult::kEmpty;
  // Blanks (a value split over lines, "A5 A5") are passed over and carry no bits.
  std::size_t first = hex.find_first_not_of("0 \t\n\r\v\f");
  if (first == std::string_view::npos) return HexResult::kOk;
  std::uint64_t digits = hex.size() - first - 1;
  // Only a value that looks too long is counted again without its blanks.
  if (significantBits(hex[first]) + 4 * digits > bitLength) {
    digits -= static_cast<std::uint64_t>(
        std::count_if(hex.begin() + static_cast<std::ptrdiff_t>(first), hex.end(), isBlank));
  }
  std::uint64_t needed = significantBits(hex[first]) + 4 * digits;
  return needed > bitLength ? HexResult::kTooLong : HexResult::kOk;
}

HexResult hexToBits(std::string_view hex, std::uint32_t bitLength, BitString& bits) {
  HexResult result = checkHex(hex, bitLength);
  if (result == HexResult::kNotHex || result == HexResult::kTooLong) return result;
  bits = BitString{};
  if (result == HexResult::kEmpty) return result;
  bits.length = bitLength;
  std::size_t first = hex.find_first_not_of("0 \t\n\r\v\f");
  if (first == std::string_view::npos) return HexResult::kOk;
  std::string_view digits = hex.substr(first);
  // From the last digit back: bit 0 first, eight digits at a time where no blank stands.
  bits.words.assign((4 * digits.size() + 63) / 64, 0);
  std::uint64_t* out = bits.words.data();
  std::uint64_t word = 0;
  unsigned filled = 0;
  std::size_t end = digits.size();
  while (end > 0) {
    std::uint32_t eight;
    if (end >= 8 && filled <= 32 && eightDigits(digits.data() + end - 8, eight)) {
      word |= static_cast<std::uint64_t>(eight) << filled;
      filled += 32;
      end -= 8;
    } else {
      int value = digitValue(digits[--end]);
      if (value < 0) continue;
      word |= static_cast<std::uint64_t>(value) << filled;
      filled += 4;
    }
    if (filled == 64) {
      *out++ = word;
      word = 0;
      filled = 0;
    }
  }
  if (filled > 0) *out++ = word;
  // Blanks left words unused at the top, and the first digit's bits above its value are zeros.
  std::size_t used = static_cast<std::size_t>(out - bits.words.data());
  while (used > 0 && bits.words[used - 1] == 0) --used;
  bits.words.resize(used);
  return HexResult::kOk;
}

}  // namespace kestrix
