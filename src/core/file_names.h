#pragma once

#include <cstdint>
#include <string>

namespace kestrix {

// The name of PCF file `number`: the directory part of `outputFile` (up to its last "/" or
// "\" and the blanks after it), the first six characters of the base name without its
// extension, the number and ".pcf". Empty when no base name is left after the directory part.
std::string pcfFileName(const std::string& outputFile, std::int64_t number);

}  // namespace kestrix
