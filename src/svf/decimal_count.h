#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kestrix {

// The whole number a count text asks for: blanks, an optional sign, decimal digits with an
// optional point and exponent (as times are read), rounded up so that no count is ever
// shorter than written (2.5 is 3, 1E7 is 10000000), saturating at 18446744073709551615.
// A text without digits is 0, and so is a negative zero; nothing for a negative count.
// Computed from the digits themselves: no count above 2^53 loses cycles to a double.
std::optional<std::uint64_t> readDecimalCount(std::string_view text);

}  // namespace kestrix
