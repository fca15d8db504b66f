#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kestrix {

struct Translation;

// The PIO map and the pattern in force.
struct PioState {
  bool pioMapDefined = false;
  // The names of the map, in the order of the PIOMAP statement.
  std::vector<std::string> names;
  std::size_t pioNameCount = 0;
  // The PCF characters of the PIO pins and the closing quote of a vector pattern; the quote
  // alone outside PIO statements.
  std::string PIOstring = "\"";
  bool pioInStatement = false;
  // "use pcf order Parallel" stands in the file for the lines of this statement.
  bool parallelOrder = false;
};

void definePioMap(Translation& t, std::string_view value);
void setPioPattern(Translation& t, std::string_view value);
// The cycle of a PIO statement without SDR or SIR: one cycle in place.
void executePio(Translation& t);
// Once a PIO statement's pattern is in force, before the first of its lines: the pin order
// Parallel, whose columns those lines carry (counted as a line).
void selectParallelOrder(Translation& t);

}  // namespace kestrix
