#pragma once

namespace kestrix {

struct Translation;

// Writes the pin declaration block into the current PCF file (the four JTAG pins, the PIO map's
// names, family, pin orders, unit and first pcf section), charges it to the vector count and
// marks the block as written. Callers decide when.
void writePinDeclarations(Translation& t);

}  // namespace kestrix
