#include "tap/vector_writer.h"

#include "core/transitions.h"

namespace kestrix {

void writeTck0Line(CycleWriter& w, char tms, char tdi, char tdo) {
  const std::string& pio = w.pioString;
  w.output.compose(1, [&](PcfFile& file) {
    char* at = file.reserve(vector_line::kFixedRoom + pio.size());
    file.commit(vector_line::end(vector_line::pins(at, '0', tms, tdi, tdo, pio)));
  });
  if (w.tap.trstMode == TrstMode::kOn) w.tap.currentState = TapState::RESET;
}

void writeTck1Line(CycleWriter& w, char tms, char tdi, char tdo, std::string_view comment) {
  TapModel& tap = w.tap;
  Transition move = nextTapState(tap.currentState, tms);
  tap.currentState = tap.trstMode == TrstMode::kOn ? TapState::RESET : move.next;
  tap.trstMode = TrstMode::kOff;
  const std::string& pio = w.pioString;
  w.output.compose(1, [&](PcfFile& file) {
    char* at = file.reserve(vector_line::kFixedRoom + pio.size() + comment.size());
    at = vector_line::pins(at, '1', tms, tdi, tdo, pio);
    if (w.commentsOn) at = vector_line::comment(at, move.name, comment);
    file.commit(vector_line::end(at));
  });
}

void writeCycle(CycleWriter& w, char tms, char tdi, char tdo, std::string_view comment) {
  writeTck0Line(w, tms, tdi, tdo);
  writeTck1Line(w, tms, tdi, 'X', comment);
}

bool inSteadyShift(const CycleWriter& w) {
  TapState state = w.tap.currentState;
  return nextTapState(state, '0').next == state && w.tap.trstMode != TrstMode::kOn;
}

}  // namespace kestrix
