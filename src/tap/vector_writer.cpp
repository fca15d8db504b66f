#include "tap/vector_writer.h"

#include <cstring>

#include "driver/translation.h"
#include "tap/transitions.h"

namespace kestrix {
namespace {

// Longest fixed part of a line: quote, four pin characters, " !", a state name of up to 16
// characters, a blank and the closing " \n".
constexpr std::size_t kFixedRoom = 32;

char* put(char* at, std::string_view text) {
  std::memcpy(at, text.data(), text.size());
  return at + text.size();
}

char* putPins(char* at, char tck, char tms, char tdi, char tdo, const std::string& pio) {
  at[0] = '"';
  at[1] = tck;
  at[2] = tms;
  at[3] = tdi;
  at[4] = tdo;
  return put(at + 5, pio);
}

}  // namespace

void writeTck0Line(Translation& t, char tms, char tdi, char tdo) {
  const std::string& pio = t.pass.pio.PIOstring;
  char* at = t.output->reserve(kFixedRoom + pio.size());
  at = putPins(at, '0', tms, tdi, tdo, pio);
  at[0] = ' ';
  at[1] = '\n';
  t.output->commit(at + 2);
  TapModel& tap = t.pass.tap;
  if (tap.trstMode == '0') tap.currentState = TapState::RESET;
  ++t.pass.output.vectorCount;
}

void writeTck1Line(Translation& t, char tms, char tdi, char tdo, std::string_view comment) {
  TapModel& tap = t.pass.tap;
  Transition move = nextTapState(tap.currentState, tms);
  tap.currentState = tap.trstMode == '0' ? TapState::RESET : move.next;
  const std::string& pio = t.pass.pio.PIOstring;
  bool commented = t.options.commentsOn;
  char* at = t.output->reserve(kFixedRoom + pio.size() + (commented ? comment.size() : 0));
  at = putPins(at, '1', tms, tdi, tdo, pio);
  if (commented) {
    at = put(at, " !");
    at = put(at, move.name);
    *at++ = ' ';
    at = put(at, comment);
  }
  tap.trstMode = '1';
  at[0] = ' ';
  at[1] = '\n';
  t.output->commit(at + 2);
  ++t.pass.output.vectorCount;
}

void writeCycle(Translation& t, char tms, char tdi, char tdo, std::string_view comment) {
  writeTck0Line(t, tms, tdi, tdo);
  writeTck1Line(t, tms, tdi, 'X', comment);
}

}  // namespace kestrix
