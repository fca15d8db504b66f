#pragma once

namespace kestrix {

// Thrown by abortTranslation and caught only by runTranslation. It does not derive from
// std::exception, so no handler for ordinary errors can swallow the stop.
struct TranslationAborted {};

// The fatal stop: the caller has printed its message; runTranslation closes the SVF input and
// the current PCF file (which keeps what was written, without trailer) and returns status 1.
[[noreturn]] inline void abortTranslation() { throw TranslationAborted{}; }

}  // namespace kestrix
