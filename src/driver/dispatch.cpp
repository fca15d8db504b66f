#include "driver/dispatch.h"

#include <array>
#include <optional>
#include <string>

#include "commands/parallel_io.h"
#include "commands/scan_records.h"
#include "commands/shift.h"
#include "commands/state_timing.h"
#include "core/vector_format.h"
#include "svf/tokenizer.h"
#include "translation/messages.h"
#include "translation/pin_block.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

// Every handler is given the keyword as written, its value and the rest of the statement.
using Handler = void (*)(Translation&, std::string_view keyword, std::string_view value,
                         TokenCursor& rest);

struct Keyword {
  std::string_view upper;
  std::string_view lower;
  // The pin block must stand in the file before this keyword's vectors.
  bool pinBlockFirst;
  // The handler writes cycles at once: after a PIO pattern of the same statement, they carry
  // its pins in the pin order Parallel.
  bool clocks;
  Handler handler;
  // Run at the end of the statement.
  std::optional<StatementCommand> collected;
};

template <ScanKind kKind>
void scanLength(Translation& t, std::string_view, std::string_view value, TokenCursor&) {
  setScanLength(t, kKind, value);
}
template <void (*kSetter)(Translation&, std::string_view)>
void valueOnly(Translation& t, std::string_view, std::string_view value, TokenCursor&) {
  kSetter(t, value);
}
template <void (*kHandler)(Translation&, std::string_view, TokenCursor&)>
void valueAndRest(Translation& t, std::string_view, std::string_view value, TokenCursor& rest) {
  kHandler(t, value, rest);
}
template <void (*kHandler)(Translation&, std::string_view, std::string_view)>
void keywordAndValue(Translation& t, std::string_view keyword, std::string_view value,
                     TokenCursor&) {
  kHandler(t, keyword, value);
}
// The frequency is taken from the statement's text when it is read.
void passOver(Translation&, std::string_view, std::string_view, TokenCursor&) {}

constexpr std::optional<StatementCommand> kNotCollected;

const std::array<Keyword, 19> kKeywords = {{
    {"STATE", "state", true, true, valueAndRest<handleState>, kNotCollected},
    {"ENDDR", "enddr", false, false, keywordAndValue<handleEndDr>, kNotCollected},
    {"ENDIR", "endir", false, false, keywordAndValue<handleEndIr>, kNotCollected},
    {"HDR", "hdr", false, false, scanLength<ScanKind::HDR>, kNotCollected},
    {"HIR", "hir", false, false, scanLength<ScanKind::HIR>, kNotCollected},
    {"TDI", "tdi", false, false, valueOnly<setScanTdi>, kNotCollected},
    {"TDO", "tdo", false, false, valueOnly<setScanTdo>, kNotCollected},
    {"MASK", "mask", false, false, valueOnly<setScanMask>, kNotCollected},
    {"SMASK", "smask", false, false, valueOnly<setScanSmask>, kNotCollected},
    {"PIO", "pio", false, false, valueOnly<setPioPattern>, StatementCommand::kPio},
    // PIOMAP writes the pin block itself once the map is built.
    {"PIOMAP", "piomap", false, false, valueOnly<definePioMap>, kNotCollected},
    {"RUNTEST", "runtest", true, true, valueAndRest<handleRunTest>, kNotCollected},
    {"SDR", "sdr", true, false, scanLength<ScanKind::SDR>, StatementCommand::kSdr},
    {"SIR", "sir", true, false, scanLength<ScanKind::SIR>, StatementCommand::kSir},
    {"TDR", "tdr", false, false, scanLength<ScanKind::TDR>, kNotCollected},
    {"TIR", "tir", false, false, scanLength<ScanKind::TIR>, kNotCollected},
    {"TRST", "trst", false, true, valueAndRest<handleTrst>, kNotCollected},
    {"WAIT", "wait", false, true, valueAndRest<handleWait>, kNotCollected},
    {"FREQUENCY", "frequency", false, false, passOver, kNotCollected},
}};

const Keyword* findKeyword(std::string_view word) {
  for (const Keyword& keyword : kKeywords) {
    if (word == keyword.upper || word == keyword.lower) return &keyword;
  }
  return nullptr;
}

// `word` is `upper` written in lower case.
bool matchesLowerCase(std::string_view word, std::string_view upper) {
  if (word.size() != upper.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i) {
    if (word[i] != static_cast<char>(upper[i] - 'A' + 'a')) return false;
  }
  return true;
}

// The three lines that tell of an unknown keyword, once per statement.
void reportUnknownKeyword(Translation& t) {
  if (t.pass.unknownReported) return;
  t.pass.unknownReported = true;
  std::string message = "\nINVALID COMMAND ENCOUNTERED!\n\nCommand line read was :\n   ";
  message += t.lastCommandLine;
  message += " \n";
  reportStatement(t, message);
}

// The repeat-until-TDO-matches statements of Lattice's extension; a tester cannot poll.
bool isLatticeKeyword(std::string_view word) {
  for (std::string_view upper : {"LOOP", "ENDLOOP", "LCOUNT", "LDELAY", "LSDR"}) {
    if (word == upper || matchesLowerCase(word, upper)) return true;
  }
  return false;
}

void dispatch(Translation& t, std::string_view word, std::string_view value, TokenCursor& rest) {
  const Keyword* keyword = findKeyword(word);
  if (keyword == nullptr) {
    reportUnknownKeyword(t);
    return;
  }
  if (keyword->pinBlockFirst && !t.pass.output.pinBlockWritten) writePinDeclarations(t);
  if (keyword->clocks) selectParallelOrder(t);
  keyword->handler(t, word, value, rest);
  if (keyword->collected) t.pass.commands.push_back(*keyword->collected);
}

// The first word decides whether the statement is translated at all: an unknown command is
// skipped whole (none of its pairs may reach a scan record), Lattice's loops stop the run, and
// a command keyword with nothing after it is incomplete. False when the statement is skipped.
bool checkFirstWord(Translation& t, TokenCursor& cursor) {
  TokenCursor::Mark start = cursor.mark();
  std::string_view first, second;
  if (!cursor.takeToken(first)) return false;
  bool alone = !cursor.takeToken(second);
  cursor.restore(start);
  if (isLatticeKeyword(first)) {
    failStatement(t, "\n" + std::string(first) +
                         " is a Lattice extended SVF statement, not SVF: a tester cannot repeat "
                         "statements until TDO matches. Generate standard SVF for this "
                         "device.\n");
  }
  const Keyword* keyword = findKeyword(first);
  if (keyword == nullptr) {
    reportUnknownKeyword(t);
    ++t.pass.statementsSkipped;
    return false;
  }
  // FREQUENCY alone is a valid statement: its frequency comes from directives.
  if (alone && keyword->handler != passOver) {
    failStatement(t, "\nIncomplete " + std::string(first) + " statement!\n");
  }
  return true;
}

// A "(" with no ")" after it would make the rest of the statement one token.
void checkParentheses(Translation& t, std::string_view statement) {
  for (std::size_t open = statement.find('('); open != std::string_view::npos;) {
    std::size_t close = statement.find(')', open);
    if (close == std::string_view::npos) failStatement(t, "\nMissing \")\" in statement!\n");
    open = statement.find('(', close);
  }
}

}  // namespace

void translateStatement(Translation& t, std::string_view statement) {
  checkParentheses(t, statement);
  t.pass.inParentheses = false;
  TokenCursor cursor(statement, t.pass.inParentheses);
  t.pass.unknownReported = false;
  if (!checkFirstWord(t, cursor)) return;
  std::string_view keyword, value;
  while (nextToken(cursor, keyword, value)) dispatch(t, keyword, value, cursor);
  executeStatement(t);
}

void executeStatement(Translation& t) {
  PassState& pass = t.pass;
  if (pass.commands.empty()) return;
  selectParallelOrder(t);
  for (StatementCommand command : pass.commands) {
    switch (command) {
      case StatementCommand::kSdr:
        executeSdr(t);
        break;
      case StatementCommand::kSir:
        executeSir(t);
        break;
      case StatementCommand::kPio:
        executePio(t);
        break;
    }
  }
  pass.commands.clear();
  if (pass.pio.pioInStatement) {
    pass.pio.PIOstring.assign(1, '"');
    t.charged.write(vector_format::kUseScanOrder, 1);
    pass.pio.pioInStatement = pass.pio.parallelOrder = false;
  }
  pass.scans.sdrInStatement = pass.scans.sirInStatement = false;
}

}  // namespace kestrix
