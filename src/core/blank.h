#pragma once

namespace kestrix {

// Space, tab, newline, carriage return, vertical tab and form feed. Bytes above 0x7F are not
// blanks, whatever the locale says.
constexpr bool isBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace kestrix
