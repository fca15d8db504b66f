// hexToBits and checkHex over any text and bit length. The first byte chooses how the length
// is taken from the next three: below 1 << 20 mostly, or (with the text made all zeros and
// blanks) near the largest length. Both functions must give the same result; a converted
// string has exactly the length asked for, stores no word above its highest one, and holds the
// value of the hex digits.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "svf/hex.h"

namespace {

using kestrix::BitString;
using kestrix::HexResult;

[[noreturn]] void failure(const char* what, std::string_view hex, std::uint32_t length) {
  std::fprintf(stderr, "INVARIANT FAILED: %s\n--- length %u, text (%zu bytes):\n%.*s\n", what,
               length, hex.size(), static_cast<int>(hex.size()), hex.data());
  std::abort();
}

int digitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The bits of the hex digits of `hex` (blanks skipped), most significant first, without
// leading zeros.
std::string valueBits(std::string_view hex) {
  std::string bits;
  for (char c : hex) {
    int value = digitValue(c);
    if (value < 0) continue;
    for (int bit = 3; bit >= 0; --bit) {
      char b = ((value >> bit) & 1) != 0 ? '1' : '0';
      if (b == '1' || !bits.empty()) bits += b;
    }
  }
  return bits;
}

void checkBits(const BitString& bits, std::string_view hex, std::uint32_t length, bool huge) {
  if (bits.length != length) failure("the bit string has the wrong length", hex, length);
  if (bits.words.size() > (std::uint64_t{length} + 63) / 64) {
    failure("more words stored than the length needs", hex, length);
  }
  if (!bits.words.empty() && bits.words.back() == 0) failure("a zero word on top", hex, length);
  if (bits.bit(length) != '\0') failure("a bit past the length", hex, length);
  if (huge) {
    // All zeros: nothing needs storing, and the top bit reads as zero.
    if (bits.bit(length - 1) != '0') failure("the top bit of a zero string", hex, length);
    if (!bits.words.empty()) failure("a one in a zero string", hex, length);
    return;
  }
  std::string text = bits.text();
  if (text.size() != length) failure("text() has the wrong length", hex, length);
  if (text.find_first_not_of("01") != std::string::npos) {
    failure("text() holds a character other than 0 and 1", hex, length);
  }
  std::string value = valueBits(hex);
  if (value.size() > length) failure("kOk for a value longer than the length", hex, length);
  if (text.compare(length - value.size(), value.size(), value) != 0 ||
      text.find('1') < length - value.size()) {
    failure("the bit string does not hold the value of the hex digits", hex, length);
  }
  for (std::uint32_t i = 0; i < length; ++i) {
    if (bits.bit(i) != text[length - 1 - i]) failure("bit() and text() disagree", hex, length);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const std::uint8_t mode = data[0];
  const std::uint32_t raw = static_cast<std::uint32_t>(data[1]) |
                            (static_cast<std::uint32_t>(data[2]) << 8) |
                            (static_cast<std::uint32_t>(data[3]) << 16);
  std::string hex(reinterpret_cast<const char*>(data + 4), size - 4);
  // One run in sixteen uses a length near the largest, over text of zeros and blanks only.
  const bool huge = (mode & 15) == 15;
  std::uint32_t length;
  if (huge) {
    length = 0xFFFFFFFFu - (raw & 0xFFFF);
    for (char& c : hex) {
      if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') c = '0';
    }
  } else if ((mode & 15) < 8) {
    // Short lengths, where the length check matters most.
    length = raw & 0x3FF;
  } else {
    length = raw & 0xFFFFF;
  }

  const HexResult checked = kestrix::checkHex(hex, length);
  BitString bits;
  bits.length = 12345;
  bits.words = {1};
  const HexResult converted = kestrix::hexToBits(hex, length, bits);
  if (checked != converted) failure("checkHex and hexToBits disagree", hex, length);
  if (converted == HexResult::kOk) checkBits(bits, hex, length, huge);
  if (converted == HexResult::kEmpty && (bits.length != 0 || !bits.words.empty())) {
    failure("kEmpty left a bit string behind", hex, length);
  }
  if (converted == HexResult::kEmpty && length != 0)
    failure("kEmpty for a length above 0", hex, length);
  return 0;
}
