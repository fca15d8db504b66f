#include "tap/vector_writer.h"

#include "translation/translation.h"
#include "core/transitions.h"

namespace kestrix {

void writeTck0Line(Translation& t, char tms, char tdi, char tdo) {
  if (!t.output->discarding()) {
    const std::string& pio = t.pass.pio.PIOstring;
    char* at = t.output->reserve(vector_line::kFixedRoom + pio.size());
    t.output->commit(vector_line::end(vector_line::pins(at, '0', tms, tdi, tdo, pio)));
  }
  TapModel& tap = t.pass.tap;
  if (tap.trstMode == TrstMode::kOn) tap.currentState = TapState::RESET;
  ++t.pass.output.vectorCount;
}

void writeTck1Line(Translation& t, char tms, char tdi, char tdo, std::string_view comment) {
  TapModel& tap = t.pass.tap;
  Transition move = nextTapState(tap.currentState, tms);
  tap.currentState = tap.trstMode == TrstMode::kOn ? TapState::RESET : move.next;
  tap.trstMode = TrstMode::kOff;
  if (!t.output->discarding()) {
    const std::string& pio = t.pass.pio.PIOstring;
    char* at = t.output->reserve(vector_line::kFixedRoom + pio.size() + comment.size());
    at = vector_line::pins(at, '1', tms, tdi, tdo, pio);
    if (t.options.commentsOn) at = vector_line::comment(at, move.name, comment);
    t.output->commit(vector_line::end(at));
  }
  ++t.pass.output.vectorCount;
}

void writeCycle(Translation& t, char tms, char tdi, char tdo, std::string_view comment) {
  writeTck0Line(t, tms, tdi, tdo);
  writeTck1Line(t, tms, tdi, 'X', comment);
}

bool inSteadyShift(const Translation& t) {
  TapState state = t.pass.tap.currentState;
  return nextTapState(state, '0').next == state && t.pass.tap.trstMode != TrstMode::kOn;
}

}  // namespace kestrix
