#include "svf/frequency_directive.h"

#include <gtest/gtest.h>

#include <string>

namespace kestrix {
namespace {

struct DirectiveCase {
  std::string line;
  std::string value, unit;  // "old"/"old" when nothing is found
  std::string console;
  std::size_t kept;  // the length the line keeps
};

const std::string kLong = "12345678901234567890123.5";

const DirectiveCase kDirectiveCases[] = {
    {"! FREQUENCY 10 MHz", "10", "MHz", "Frequency=10MHz\nRunning...", 18},
    {"! FREQUENCY 10 MHz\n", "10", "MHz", "Frequency=10MHz\nRunning...", 18},
    {"! frequency: 25.5 kHz", "25.5", "kHz", "Frequency=25.5kHz\nRunning...", 21},
    {"! FREQUENCY10MHz", "10", "MHz", "Frequency=10MHz\nRunning...", 16},
    // Without a digit after the word (past blanks) it is no directive: nothing changes.
    {"! frequency: fast", "old", "old", "", 17},
    {"! FREQUENCY", "old", "old", "", 11},
    {"! FREQUENCY \t \n", "old", "old", "", 15},
    {"! set FREQUENCY here later", "old", "old", "", 26},
    {"FREQUENCY;", "old", "old", "", 10},
    {"! FREQUENCY 7", "7", "m", "Frequency=7m\nRunning...", 13},
    {"! Frequency 10 MHz", "old", "old", "", 18},
    {"! frequency 10 MHz", "old", "old", "", 18},
    {"FREQUENCY 1000000 HZ;", "1000000", "HZ;", "Frequency=1000000HZ;\nRunning...", 21},
    // The exponent belongs to the number; an "E" without digits after it does not.
    {"FREQUENCY 1.0E+06 HZ;", "1.0E+06", "HZ;", "Frequency=1.0E+06HZ;\nRunning...", 21},
    {"FREQUENCY 1E6 HZ;", "1E6", "HZ;", "Frequency=1E6HZ;\nRunning...", 17},
    {"FREQUENCY 2.5e-3 kHz x", "2.5e-3", "kHz", "Frequency=2.5e-3kHz\nRunning...", 20},
    {"FREQUENCY 5E+ Hz", "5", "E+", "Frequency=5E+\nRunning...", 13},
    {"FREQUENCY 7e MHz", "7", "e", "Frequency=7e\nRunning...", 12},
    {"FREQUENCY\t7\tHz\tmore", "7", "Hz", "Frequency=7Hz\nRunning...", 14},
    {"FREQUENCY .5 MHz", "old", "old", "", 16},
    {"XFREQUENCYX 3", "old", "old", "", 13},
    // A word without a number leaves the other word's directive to decide.
    {"! FREQUENCY x frequency: 2 kHz", "2", "kHz", "Frequency=2kHz\nRunning...", 30},
    {"FREQFREQUENCY 3 Hz", "3", "Hz", "Frequency=3Hz\nRunning...", 18},
    {"FREQUENCY " + kLong + " MHz", kLong, "MHz", "Frequency=" + kLong + "MHz\nRunning...", 39},
    // Both words: the second pass sees the line the first left, and decides the values.
    {"! frequency: 2 kHz FREQUENCY 1 MHz", "2", "kHz",
     "Frequency=1MHz\nRunning...Frequency=2kHz\nRunning...", 18},
    {"! FREQUENCY 1 MHz frequency: 2 kHz", "1", "MHz", "Frequency=1MHz\nRunning...", 17},
};

TEST(FrequencyDirective, StoresShowsAndCuts) {
  for (const DirectiveCase& c : kDirectiveCases) {
    SCOPED_TRACE(c.line);
    FrequencyState frequency{"old", "old"};
    MemoryConsole console;
    EXPECT_EQ(scanFrequencyDirective(frequency, console, c.line), c.kept);
    EXPECT_EQ(frequency.value, c.value);
    EXPECT_EQ(frequency.unit, c.unit);
    EXPECT_EQ(console.out, c.console);
    EXPECT_EQ(console.err, "");
  }
}

}  // namespace
}  // namespace kestrix
