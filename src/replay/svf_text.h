#pragma once

// The SVF text the writer gives: PIO characters, wait times, long hex data, names.

#include <cstdint>
#include <string>

namespace kestrix::replay {

// PCF pin characters back to SVF PIO characters: 1 H, 0 L, H U, L D, Z and X as they are.
std::string svfPio(const std::string& pins);
// A wait amount as SVF seconds: "100u" is 100E-6, "2s" is 2; a number without unit letter is
// microseconds, as kestrix writes it when the frequency's unit word does not begin with H.
std::string svfSeconds(const std::string& amount);
// Whether kestrix writes a RUNTEST of the amount's time as the same wait: microseconds below
// one second, whole seconds up to the most a wait line carries.
bool timeKept(const std::string& amount);
// Hex data in lines of 64 digits, the later ones indented.
std::string wrapped(const std::string& hex);
// A name that PIOMAP can carry: letters, digits and "_", and no frequency directive.
bool pioName(const std::string& text);
// "1 cycle", "2 cycles".
std::string plural(std::uint64_t count, const std::string& word);

}  // namespace kestrix::replay
