#include "svf/decimal_count.h"

#include <gtest/gtest.h>

namespace kestrix {
namespace {

TEST(DecimalCount, WholeNumbersOfAnySizeRoundedUp) {
  struct Case {
    const char* text;
    std::optional<std::uint64_t> count;
  } const cases[] = {
      {"0", 0},
      {"2000", 2000},
      {"+3", 3},
      {"2.5", 3},
      {"2.0000", 2},
      {"0.001", 1},
      {".25", 1},
      {"1E7", 10000000},
      {"1.5e3", 1500},
      {"25E-1", 3},
      {"1E-30", 1},
      {"4294967296", 4294967296u},
      {"5000000000", 5000000000u},
      // Exactly, where a double would lose the last cycle.
      {"9007199254740993", 9007199254740993u},
      {"18446744073709551615", 18446744073709551615u},
      {"18446744073709551616", 18446744073709551615u},
      {"1E19", 10000000000000000000u},
      {"1E20", 18446744073709551615u},
      {"1E999999999999", 18446744073709551615u},
      {"00012", 12},
      {"12abc", 12},
      {"1E", 1},
      {"", 0},
      {"TCK", 0},
      {"-0", 0},
      {"-0.000", 0},
      {"-5", std::nullopt},
      {"-0.5", std::nullopt},
      {"-1E3", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(readDecimalCount(c.text), c.count) << c.text;
  }
}

}  // namespace
}  // namespace kestrix
