#pragma once

#include <string>
#include <string_view>

namespace kestrix {

struct Translation;

// The common endings of statement errors, each followed by the fatal stop.
// `message`, then "COMMAND LINE WAS: <statement>\n".
[[noreturn]] void failStatement(Translation& t, std::string_view message);
// `message`, then "The last line read from input file was : \n\n" and "   <statement> \n\n".
[[noreturn]] void failWithLastLine(Translation& t, std::string_view message);
// A statement that may be huge, as a message quotes it: a text longer than 256 characters as
// its first 256, then "... (<length> characters)".
std::string shortenedStatement(std::string_view statement);
// `message`, then "COMMAND LINE WAS: <statement>\n", a long `statement` quoted in part as
// shortenedStatement does.
[[noreturn]] void failQuoting(Translation& t, std::string_view message, std::string_view statement);
// `message` alone.
[[noreturn]] void fail(Translation& t, std::string_view message);

}  // namespace kestrix
