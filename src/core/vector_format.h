#pragma once

// The text of a PCF vector line, shared by the program that writes the lines and the one that
// reads them back. A line is the quote, one pin character per pin of the pin order in force,
// the quote, then, on a TCK-1 line with comments, the comment mark and its text, and the line
// end:
//     "0110"
//     "1110" !Shift-DR SDR bit 3
// Format constants only: no behaviour lives here.

#include <cstddef>
#include <string_view>

namespace kestrix::vector_format {

// Opens and closes the pin characters of a line.
inline constexpr char kQuote = '"';

// The columns of the JTAG pins, counted from the first character after the opening quote.
inline constexpr std::size_t kTckColumn = 0;
inline constexpr std::size_t kTmsColumn = 1;
inline constexpr std::size_t kTdiColumn = 2;
inline constexpr std::size_t kTdoColumn = 3;
// The pin order Scan has these four columns; the order Parallel adds the PIO pins after TDO.
inline constexpr std::size_t kJtagPins = 4;

// Pin characters. TCK, TMS and driven pins are low or high; TDI and driven PIO pins may be not
// driven; TDO and PIO outputs are expected high, expected low or not compared.
inline constexpr char kLow = '0';
inline constexpr char kHigh = '1';
inline constexpr char kNotDriven = 'Z';
inline constexpr char kExpectHigh = 'H';
inline constexpr char kExpectLow = 'L';
inline constexpr char kDontCare = 'X';

// Stands between the closing quote and the comment of a TCK-1 line.
inline constexpr std::string_view kCommentMark = " !";
// Ends every vector line, with or without a comment.
inline constexpr std::string_view kLineEnd = " \n";

// The lines around the vectors. The vector lines stand in pcf sections; a wait block ends one
// and begins the next. Each PIO statement's lines carry the order Parallel, the rest Scan.
inline constexpr std::string_view kSectionBegin = "pcf\n";
inline constexpr std::string_view kSectionEnd = "end pcf\n";
inline constexpr std::string_view kUseScanOrder = "use pcf order Scan\n";
inline constexpr std::string_view kUseParallelOrder = "use pcf order Parallel\n";
// Ends every finished file.
inline constexpr std::string_view kTrailer = "end pcf\nend unit\n";

}  // namespace kestrix::vector_format
