#include "commands/parallel_io.h"

#include <string>

#include "core/svf_paths.h"
#include "core/vector_format.h"
#include "svf/tokenizer.h"
#include "tap/navigation.h"
#include "translation/messages.h"
#include "translation/pin_block.h"
#include "translation/translation.h"

namespace kestrix {

void definePioMap(Translation& t, std::string_view value) {
  PioState& pio = t.pass.pio;
  if (pio.pioMapDefined) {
    failInStatement(t,
                    "\nPIO Map has already been defined!!\nOnly one PIO Map definition allowed per "
                    "file.\nCommand line read was: \n" +
                        t.lastCommandLine + "\n");
  }
  // A statement of this file had the pin block written: a second one inside its pcf section
  // would make the file malformed, and the lines before it carry no PIO pins. (A block written
  // when a split started the file, before any statement clocked, is followed by a second one.)
  if (t.pass.output.pinBlockWritten && !t.pass.output.pinBlockAtSplit) {
    failStatement(t, "\nPIOMAP must come before the first statement that clocks the TAP!\n");
  }
  pio.pioMapDefined = true;
  // Direction words and names alternate; the direction words are not examined.
  TokenCursor cursor(value, t.pass.inParentheses);
  std::string_view token;
  std::size_t tokens = 0;
  while (cursor.takeToken(token)) {
    if (++tokens % 2 == 0) pio.names.emplace_back(token);
  }
  writePinDeclarations(t);
}

void setPioPattern(Translation& t, std::string_view value) {
  PioState& pio = t.pass.pio;
  if (!pio.pioMapDefined) {
    failWithLastLine(t, "Tried to execute a PIO command before a PIO MAP was defined. \n");
  }
  if (value.size() != pio.names.size()) {
    failInStatement(
        t,
        "Number of characters in the PIO command do not match the number of logical names\n"
        "from the PIO MAP.\n");
  }
  std::string pattern;
  pattern.reserve(value.size() + 1);
  for (char c : value) {
    char pin = pcfPioCharacter(c);
    if (pin == '\0') {
      failWithLastLine(t, std::string("Invalid character '") + c + "' in the PIO command.\n");
    }
    pattern += pin;
  }
  pattern += '"';
  pio.PIOstring = std::move(pattern);
  pio.pioInStatement = true;
}

void selectParallelOrder(Translation& t) {
  PioState& pio = t.pass.pio;
  if (!pio.pioInStatement || pio.parallelOrder) return;
  t.charged.write(vector_format::kUseParallelOrder, 1);
  pio.parallelOrder = true;
}

void executePio(Translation& t) {
  const ScanState& scans = t.pass.scans;
  if (!scans.sdrInStatement && !scans.sirInStatement) stepToward(t.cycles, t.pass.tap.currentState);
}

}  // namespace kestrix
