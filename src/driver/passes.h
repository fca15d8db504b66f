#pragma once

namespace kestrix {

struct Translation;

// How a pass ends: at the end of the input (or with an error), or in need of another pass, with
// a split point 25000 lines earlier or, once every statement has a file of its own, one that
// pauses scans too long for any file.
enum class PassEnd { kFinished, kRestart, kPauseScans };

// Translates the whole input into the PCF files, in as many passes as the restarts need; file 1
// is open with its head when it is called, the last file is open (without trailer) after.
void translateInput(Translation& t);

// The next file of a split: head and pin block, then moveToIdleAfterSplit.
void startNextFile(Translation& t);
// After a split the TAP goes to Run-Test/Idle, unless it rests in a pause state, where a scan
// may go on in the next statement: it stays there.
void moveToIdleAfterSplit(Translation& t);

}  // namespace kestrix
