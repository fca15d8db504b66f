#include "svf/frequency_directive.h"

#include "core/blank.h"

namespace kestrix {
namespace {

std::size_t skipBlanks(std::string_view text, std::size_t at) {
  while (at < text.size() && isBlank(text[at])) ++at;
  return at;
}

// The first place of `word` in `line`. Every line read is searched, most of them hex data, so
// the search runs on the word's fourth letter ("Q" or "q"), which hex never holds.
std::size_t findWord(std::string_view line, std::string_view word) {
  constexpr std::size_t kRare = 3;
  for (std::size_t at = line.find(word[kRare], kRare); at != std::string_view::npos;
       at = line.find(word[kRare], at + 1)) {
    if (line.substr(at - kRare, word.size()) == word) return at - kRare;
  }
  return std::string_view::npos;
}

// One search word: returns the length the line keeps.
std::size_t scanFor(std::string_view word, FrequencyState& frequency, Console& console,
                    std::string_view line) {
  std::size_t found = findWord(line, word);
  if (found == std::string_view::npos) return line.size();
  std::size_t at = skipBlanks(line, found + word.size());
  // A word without a number ('! set FREQUENCY here later') is prose, not a directive: it must
  // not set a frequency of 0, which would turn every later wait from a count into none.
  if (at == line.size() || !isDigit(line[at])) return line.size();
  frequency.unit.assign(1, 'm');
  std::size_t length = frequencyNumberLength(line.substr(at));
  frequency.value.assign(line.substr(at, length));
  at += length;
  console.print("Frequency=" + frequency.value);
  at = skipBlanks(line, at);
  std::size_t keep = line.size();
  if (at < line.size()) {
    std::size_t end = at;
    while (end < line.size() && !isBlank(line[end])) ++end;
    frequency.unit.assign(line.substr(at, end - at));
    keep = end;
  }
  console.print(frequency.unit + "\nRunning...");
  return keep;
}

}  // namespace

std::size_t frequencyNumberLength(std::string_view text) {
  std::size_t end = 0;
  while (end < text.size() && (isDigit(text[end]) || text[end] == '.')) ++end;
  if (end < text.size() && (text[end] == 'E' || text[end] == 'e')) {
    std::size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    if (exponent < text.size() && isDigit(text[exponent])) {
      while (exponent < text.size() && isDigit(text[exponent])) ++exponent;
      end = exponent;
    }
  }
  return end;
}

std::size_t scanFrequencyDirective(FrequencyState& frequency, Console& console,
                                   std::string_view line) {
  std::size_t keep = scanFor("FREQUENCY", frequency, console, line);
  return scanFor("frequency:", frequency, console, line.substr(0, keep));
}

}  // namespace kestrix
