#pragma once

namespace kestrix {

struct Translation;

// Translates the whole input into the PCF files, in as many passes as the restarts need; file 1
// is open with its head when it is called, the last file is open (without trailer) after.
void translateInput(Translation& t);

}  // namespace kestrix
