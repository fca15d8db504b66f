#pragma once

#include <string>

namespace kestrix {

struct Translation;

// The next SVF statement into `statement`, read through the statement reader with the
// translation's input, reader and frequency state; echoed lines go into the current PCF file.
// False at the end of the input. An input that cannot be read, that ends inside a statement or
// that held no statement with any text stops the run: a set cut short never passes for whole.
bool readStatement(Translation& t, std::string& statement);

}  // namespace kestrix
