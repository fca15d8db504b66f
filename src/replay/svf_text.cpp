#include "replay/svf_text.h"

#include <cmath>
#include <cstdlib>

#include "core/svf_paths.h"

namespace kestrix::replay {
namespace {

// Hex digits per line of a long scan.
constexpr std::size_t kHexLine = 64;

}  // namespace

std::string svfPio(const std::string& pins) {
  std::string text;
  for (char c : pins) {
    char svf = svfPioCharacter(c);
    text += svf != '\0' ? svf : c;
  }
  return text;
}

std::string svfSeconds(const std::string& amount) {
  if (!amount.empty() && amount.back() == 's') return amount.substr(0, amount.size() - 1);
  std::string digits = amount.back() == 'u' ? amount.substr(0, amount.size() - 1) : amount;
  return digits + "E-6";
}

bool timeKept(const std::string& amount) {
  constexpr auto kMostUnits = static_cast<double>(kLongestWait);
  bool inSeconds = amount.back() == 's';
  double value = std::strtod(amount.c_str(), nullptr);
  if (inSeconds) return value <= kMostUnits;
  if (value < 1e6) return true;
  return std::fmod(value, 1e6) == 0 && value / 1e6 <= kMostUnits;
}

std::string wrapped(const std::string& hex) {
  std::string text;
  for (std::size_t at = 0; at < hex.size(); at += kHexLine) {
    if (at > 0) text += "\n    ";
    text += hex.substr(at, kHexLine);
  }
  return text;
}

bool pioName(const std::string& text) {
  if (text.empty() || (text[0] >= '0' && text[0] <= '9')) return false;
  for (char c : text) {
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    if (!letter && !(c >= '0' && c <= '9') && c != '_') return false;
  }
  return text.find("FREQUENCY") == std::string::npos;
}

std::string plural(std::uint64_t count, const std::string& word) {
  return std::to_string(count) + " " + word + (count == 1 ? "" : "s");
}

}  // namespace kestrix::replay
