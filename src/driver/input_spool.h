#pragma once

#include <memory>

#include "core/io.h"

namespace kestrix {

struct Translation;

// The SVF input as the translation reads it. An input that can start again from its beginning
// is returned as it is. One that cannot (a pipe, /dev/stdin, <(...)) is kept, as it is read, in
// a scratch file: a restart reads the kept bytes again, then goes on with the pipe. Memory
// holds no copy. A scratch file that cannot be written stops the run with a message; when none
// can be made, the input is returned as it is, and only a restart stops the run.
std::unique_ptr<ByteSource> keepForRestarts(Translation& t, std::unique_ptr<ByteSource> input);

}  // namespace kestrix
