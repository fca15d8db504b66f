#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "core/console.h"

namespace kestrix {

// The last frequency directive seen: both empty until the first one.
struct FrequencyState {
  std::string value;
  std::string unit;
};

// Looks for the word "FREQUENCY", then for "frequency:", anywhere in `line`; for each one found
// followed (past blanks) by a decimal digit, stores its number and unit word and shows them
// on the console; a word without a number changes nothing. A unit word ends the line:
// the result is the length the line keeps (line.size() when nothing was cut).
std::size_t scanFrequencyDirective(FrequencyState& frequency, Console& console,
                                   std::string_view line);

// The length of the number at the start of `text`: digits and "." characters, then an
// optional exponent ("E" or "e", an optional sign, one or more digits).
std::size_t frequencyNumberLength(std::string_view text);

}  // namespace kestrix
