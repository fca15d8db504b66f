#include "replay/listing.h"

#include <variant>

#include "replay/svf_text.h"

namespace kestrix::replay {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool any(std::string_view bits, std::string_view of) {
  return bits.find_first_of(of) != std::string_view::npos;
}

// What a scan's statement cannot say: its pauses, where Update led, a missing Update, its PIO.
std::string scanNotes(const Scan& scan, const std::vector<std::string>& pioNames) {
  std::vector<std::string> notes;
  if (scan.segments.size() > 1) {
    std::string text = "segments";
    for (std::uint64_t bits : scan.segments) {
      text += ' ';
      text += std::to_string(bits);
    }
    notes.push_back(text);
  }
  if (!scan.updated) {
    notes.push_back("not updated: the set ends in " + std::string(stateName(scan.end)));
  } else if (scan.end != State::IDLE) {
    notes.push_back("Update leads to " + std::string(stateName(scan.end)));
  }
  if (!scan.pio.empty()) notes.push_back("PIO " + pinsWithNames(scan.pio, pioNames));
  std::string text;
  for (const std::string& note : notes) text += (text.empty() ? " ! " : ", ") + note;
  return text;
}

}  // namespace

std::string svfHex(std::string_view bits, std::string_view ones) {
  std::size_t digits = (bits.size() + 3) / 4;
  std::string hex(digits, '0');
  for (std::size_t d = 0; d < digits; ++d) {
    unsigned value = 0;
    for (std::size_t b = 0; b < 4 && 4 * d + b < bits.size(); ++b) {
      if (ones.find(bits[4 * d + b]) != std::string_view::npos) value |= 1u << b;
    }
    hex[digits - 1 - d] = kHexDigits[value];
  }
  return hex;
}

std::string scanStatement(const Scan& scan) {
  std::string text = scan.ir ? "SIR " : "SDR ";
  text += std::to_string(scan.tdi.size());
  if (!scan.tdi.empty()) {
    text += " TDI (" + svfHex(scan.tdi, "1") + ")";
    if (any(scan.tdi, "Z")) text += " SMASK (" + svfHex(scan.tdi, "01") + ")";
  }
  if (any(scan.tdo, "HL")) {
    text += " TDO (" + svfHex(scan.tdo, "H") + ") MASK (" + svfHex(scan.tdo, "HL") + ")";
  }
  return text + ";";
}

std::string pinsWithNames(std::string_view pins, const std::vector<std::string>& names) {
  if (names.size() != pins.size()) return std::string(pins);
  std::string text;
  for (std::size_t i = 0; i < pins.size(); ++i) {
    if (i > 0) text += " ";
    text += names[i] + "=" + pins[i];
  }
  return text;
}

std::string operationText(const Operation& op, const std::vector<std::string>& pioNames) {
  if (const Scan* scan = std::get_if<Scan>(&op)) {
    return scanStatement(*scan) + scanNotes(*scan, pioNames);
  }
  if (const Run* run = std::get_if<Run>(&op)) {
    return "! " + plural(run->cycles, "cycle") + " in " + std::string(stateName(run->state));
  }
  if (const Walk* walk = std::get_if<Walk>(&op)) {
    std::string text =
        "! " + std::string(stateName(walk->from)) + " -> " + std::string(stateName(walk->to));
    return walk->cycles == 1 ? text : text + " (" + plural(walk->cycles, "cycle") + ")";
  }
  if (const Wait* wait = std::get_if<Wait>(&op)) return "! wait " + wait->amount;
  const PioCycle& pio = std::get<PioCycle>(op);
  std::string text = "! PIO " + pinsWithNames(pio.pins, pioNames);
  if (pio.next == pio.state) return text + " in " + std::string(stateName(pio.state));
  return text + ", " + std::string(stateName(pio.state)) + " -> " +
         std::string(stateName(pio.next));
}

std::string placePrefix(const Place& place) {
  return place.file + ":" + std::to_string(place.line) + ": ";
}

}  // namespace kestrix::replay
