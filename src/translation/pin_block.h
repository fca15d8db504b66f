#pragma once

#include <cstdint>

namespace kestrix {

struct Translation;

// Writes the pin declaration block into the current PCF file (the four JTAG pins, the PIO map's
// names, family, pin orders, unit and first pcf section), charges it to the vector count and
// marks the block as written. Callers decide when.
void writePinDeclarations(Translation& t);
// The lines writePinDeclarations charges: one per PIO name, the name lists, the JTAG
// declarations, unit and pcf.
std::int64_t pinDeclarationLines(const Translation& t);

}  // namespace kestrix
