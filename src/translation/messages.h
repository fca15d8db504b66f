#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrix {

struct Translation;

// Every message about a statement ends with the line that leads back to it in the input:
// "In <input name> at line <n>.\n", n the physical line (from 1) where the statement begins.
std::string statementPlace(const Translation& t, std::uint64_t line);

// The common endings of statement errors, each followed by the place of the statement being
// translated and the fatal stop.
// `message`, then "COMMAND LINE WAS: <statement>\n".
[[noreturn]] void failStatement(Translation& t, std::string_view message);
// `message`, then "The last line read from input file was : \n\n" and "   <statement> \n\n".
[[noreturn]] void failWithLastLine(Translation& t, std::string_view message);
// `message` about the statement being translated, which it quotes itself.
[[noreturn]] void failInStatement(Translation& t, std::string_view message);
// `message` about the statement that begins at `line`.
[[noreturn]] void failAtLine(Translation& t, std::string_view message, std::uint64_t line);
// `message` about the statement being translated, and the run goes on.
void reportStatement(Translation& t, std::string_view message);
// A statement that may be huge, as a message quotes it: a text longer than 256 characters as
// its first 256, then "... (<length> characters)".
std::string shortenedStatement(std::string_view statement);
// `message`, then "COMMAND LINE WAS: <statement>\n", a long `statement` quoted in part as
// shortenedStatement does, then the place of the statement, which begins at input line `line`.
[[noreturn]] void failQuoting(Translation& t, std::string_view message, std::string_view statement,
                              std::uint64_t line);
// `message` alone: start-up, files, memory.
[[noreturn]] void fail(Translation& t, std::string_view message);

}  // namespace kestrix
