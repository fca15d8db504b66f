#pragma once

#include <cstdint>
#include <string>

#include "core/file_names.h"

namespace kestrix {

struct Translation;

// Stops the run when `path` names the input or the header file: creating it would truncate
// what the translation reads.
void refuseFileRead(Translation& t, const std::string& path);
// Reads the header file, once for the whole run, and notes which file it is.
void readHeaderFile(Translation& t);
// Takes the lock on the name of file 1 for the whole run: a second translation on the same
// name stops here, before it creates or truncates anything.
void lockOutputName(Translation& t);
// Finishes the current file (if any) and opens the next numbered one with its head. A PCF file
// that would be made over the input or the header file stops the run, with nothing touched.
// When writing, the writer thread closes the file and creates the next one; a failure there
// stops the run where the translation next waits for the writer, before any other message.
void openNextOutputFile(Translation& t);
// Finishes the current file and opens the next one with its head and pin block, in the pin
// order of the statement being translated; the TAP stays where it is.
void openContinuationFile(Translation& t);
// Writes the trailer and closes the current file.
void closeOutputFile(Translation& t);
// Abandons the files of this pass and begins again with file 1 from the start of the input.
void restartTranslation(Translation& t);

}  // namespace kestrix
