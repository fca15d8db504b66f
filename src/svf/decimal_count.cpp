#include "svf/decimal_count.h"

#include <algorithm>
#include <limits>
#include <string>

#include "core/blank.h"

namespace kestrix {
namespace {

constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
// Beyond this the exponent cannot change the result: every count saturates or is below 1.
constexpr long long kExponentLimit = 1000000;

// `value` * 10 + `digit`, saturating.
std::uint64_t appendDigit(std::uint64_t value, unsigned digit) {
  if (value > (kMost - digit) / 10) return kMost;
  return value * 10 + digit;
}

// The digits of `digits` followed by `zeros` zeros, saturating.
std::uint64_t wholeValue(std::string_view digits, long long zeros) {
  std::uint64_t value = 0;
  for (char c : digits) value = appendDigit(value, static_cast<unsigned>(c - '0'));
  for (long long i = 0; i < zeros && value != 0 && value != kMost; ++i)
    value = appendDigit(value, 0);
  return value;
}

// The exponent after the mantissa at `at`, if one with digits stands there; `at` moves past it.
long long readExponent(std::string_view text, std::size_t& at) {
  if (at >= text.size() || (text[at] != 'E' && text[at] != 'e')) return 0;
  std::size_t next = at + 1;
  bool negative = false;
  if (next < text.size() && (text[next] == '+' || text[next] == '-')) {
    negative = text[next] == '-';
    ++next;
  }
  if (next >= text.size() || !isDigit(text[next])) return 0;
  long long exponent = 0;
  for (; next < text.size() && isDigit(text[next]); ++next) {
    exponent = std::min(kExponentLimit, exponent * 10 + (text[next] - '0'));
  }
  at = next;
  return negative ? -exponent : exponent;
}

}  // namespace

std::optional<std::uint64_t> readDecimalCount(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  // The significant digits (leading zeros dropped) and the power of ten of the last one.
  std::string digits;
  long long scale = 0;
  bool anyDigit = false, point = false;
  for (; at < text.size(); ++at) {
    char c = text[at];
    if (isDigit(c)) {
      anyDigit = true;
      if (!digits.empty() || c != '0') digits.push_back(c);
      if (point) --scale;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (!anyDigit || digits.empty()) return 0;
  if (negative) return std::nullopt;
  scale += readExponent(text, at);
  if (scale >= 0) return wholeValue(digits, scale);
  // Digits after the point: the whole part, one more when any of them is not zero.
  auto places = static_cast<std::size_t>(std::min<long long>(-scale, kExponentLimit));
  if (places >= digits.size()) return 1;
  std::string_view all(digits);
  std::string_view fraction = all.substr(all.size() - places);
  std::uint64_t whole = wholeValue(all.substr(0, all.size() - places), 0);
  bool more = std::any_of(fraction.begin(), fraction.end(), [](char c) { return c != '0'; });
  return more && whole != kMost ? whole + 1 : whole;
}

}  // namespace kestrix
