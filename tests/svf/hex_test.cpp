#include "svf/hex.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace kestrix {
namespace {

struct HexCase {
  std::uint32_t bits;
  std::string hex;
  HexResult result;
  std::string text;  // the bit string, most significant bit first, when the result is kOk
};

const HexCase kHexCases[] = {
    {8, "FF", HexResult::kOk, "11111111"},
    {8, "0FF", HexResult::kOk, "11111111"},
    {12, "a5", HexResult::kOk, "000010100101"},
    {12, "A5", HexResult::kOk, "000010100101"},
    {3, "7", HexResult::kOk, "111"},
    {3, "8", HexResult::kTooLong, ""},
    {9, "1FF", HexResult::kOk, "111111111"},
    {8, "1FF", HexResult::kTooLong, ""},
    {9, "1F0", HexResult::kOk, "111110000"},
    {9, "1F00", HexResult::kTooLong, ""},
    {8, "000000", HexResult::kOk, "00000000"},
    {8, "", HexResult::kOk, "00000000"},
    // Blanks between, before and after the digits carry no bits and are not counted.
    {9, "1 2", HexResult::kOk, "000010010"},
    {5, "1 2", HexResult::kOk, "10010"},
    {4, "1 2", HexResult::kTooLong, ""},
    {16, "A5 A5", HexResult::kOk, "1010010110100101"},
    {16, "  A5\tA5\n", HexResult::kOk, "1010010110100101"},
    {15, "A5 A5", HexResult::kTooLong, ""},
    {8, " 0 0 A5 ", HexResult::kOk, "10100101"},
    {8, "   ", HexResult::kOk, "00000000"},
    {5, "00001F", HexResult::kOk, "11111"},
    {7, "4", HexResult::kOk, "0000100"},
    {1, "2", HexResult::kTooLong, ""},
    {2, "2", HexResult::kOk, "10"},
    {32, "deadBEEF", HexResult::kOk, "11011110101011011011111011101111"},
    // Blanks of every kind are passed over.
    {12, "\tA5", HexResult::kOk, "000010100101"},
    {8, " A5", HexResult::kOk, "10100101"},
    {1, "1\n\r\v\f", HexResult::kOk, "1"},
    {0, "FF", HexResult::kEmpty, ""},
    {0, "", HexResult::kEmpty, ""},
    // Anything else is not hex, and that is found before the zero length and the length check.
    {0, "G", HexResult::kNotHex, ""},
    {8, "G", HexResult::kNotHex, ""},
    {4, "FFFG", HexResult::kNotHex, ""},
    {8, "0x1", HexResult::kNotHex, ""},
    {8, "0000g", HexResult::kNotHex, ""},
    {16, "A\xC3\xA9", HexResult::kNotHex, ""},
    {8, "F;", HexResult::kNotHex, ""},
};

TEST(HexToBits, ConvertsOrRejectsEachText) {
  for (const HexCase& c : kHexCases) {
    SCOPED_TRACE(std::to_string(c.bits) + " bits of '" + c.hex + "'");
    BitString bits;
    bits.length = 3;
    bits.words = {5};  // what an earlier value left in the slot
    HexResult result = hexToBits(c.hex, c.bits, bits);
    EXPECT_EQ(result, c.result);
    if (result == HexResult::kOk) {
      EXPECT_EQ(bits.text(), c.text);
      for (std::uint64_t i = 0; i < c.text.size(); ++i) {
        EXPECT_EQ(bits.bit(i), c.text[c.text.size() - 1 - i]) << "bit " << i;
      }
      EXPECT_EQ(bits.bit(c.bits), '\0');
    }
    if (result == HexResult::kEmpty) {
      EXPECT_EQ(bits.length, 0u);
    }
  }
}

// Lengths near 2^32 with values that are zeros above a few bits must not cost a byte per bit.
TEST(HexToBits, HugeLengthsOfSmallValuesStaySmall) {
  constexpr std::uint32_t kMax = 0xFFFFFFFFu;
  const struct {
    std::string hex;
    char bit0;
  } cases[] = {{std::string(100000, '0'), '0'}, {"", '0'}, {"0001", '1'}, {"F", '1'}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex.substr(0, 8));
    BitString bits;
    ASSERT_EQ(hexToBits(c.hex, kMax, bits), HexResult::kOk);
    EXPECT_EQ(bits.length, kMax);
    EXPECT_LE(bits.words.capacity(), 1u);
    EXPECT_EQ(bits.bit(0), c.bit0);
    EXPECT_EQ(bits.bit(4), '0');
    EXPECT_EQ(bits.bit(kMax - 1), '0');
    EXPECT_EQ(bits.bit(kMax), '\0');
  }
}

// Long texts are checked sixteen characters at a time where the compiler allows: a character
// that is neither a hex digit nor a blank is found wherever it stands, and the characters next
// to the digit and blank ranges are no hex.
TEST(HexToBits, LongTextsAreCheckedAtEveryPlace) {
  const std::string valid = "0123456789abcdefABCDEF \t\n\v\f\r";
  const std::string invalid = std::string("/:@G`g\x08\x0e\x1f!;\x7f\x80\xff", 14) + '\0';
  std::string base(40, 'A');
  for (std::size_t at = 0; at < base.size(); ++at) {
    for (char c : valid) {
      std::string hex = base;
      hex[at] = c;
      EXPECT_EQ(checkHex(hex, 200), HexResult::kOk) << at << " " << int(c);
    }
    for (char c : invalid) {
      std::string hex = base;
      hex[at] = c;
      EXPECT_EQ(checkHex(hex, 200), HexResult::kNotHex) << at << " " << int(c);
    }
  }
}

// Long values, converted eight digits at a time where no blank interrupts them: each bit must
// be that of its digit, wherever blanks stand and whatever the case of the letters.
TEST(HexToBits, LongValuesGiveTheBitsOfEveryDigit) {
  const std::string digits = "0123456789abcdefABCDEF";
  std::mt19937 random(5);
  for (int round = 0; round < 200; ++round) {
    std::string hex;
    std::string expected;  // most significant bit first
    auto count = static_cast<int>(random() % 300) + 1;
    for (int i = 0; i < count; ++i) {
      if (random() % 10 == 0) hex += " \t\n"[random() % 3];
      char digit = digits[random() % digits.size()];
      hex += digit;
      int value = std::stoi(std::string(1, digit), nullptr, 16);
      for (int bit = 3; bit >= 0; --bit) expected += ((value >> bit) & 1) != 0 ? '1' : '0';
    }
    std::uint32_t length = 4 * static_cast<std::uint32_t>(hex.size()) + random() % 70;
    expected.insert(0, length - expected.size(), '0');
    SCOPED_TRACE(hex);
    BitString bits;
    ASSERT_EQ(hexToBits(hex, length, bits), HexResult::kOk);
    EXPECT_EQ(bits.text(), expected);
    EXPECT_TRUE(bits.words.empty() || bits.words.back() != 0);
    for (std::uint64_t from : {0u, 1u, 63u, 64u, 100u}) {
      std::uint64_t word = bits.bitsFrom(from);
      for (unsigned k = 0; k < 64; ++k) {
        char bit = from + k < length ? expected[length - 1 - (from + k)] : '0';
        ASSERT_EQ((word >> k) & 1, bit == '1' ? 1u : 0u) << "bit " << from + k;
      }
    }
  }
}

}  // namespace
}  // namespace kestrix
