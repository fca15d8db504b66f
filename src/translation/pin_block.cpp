#include "translation/pin_block.h"

#include <string>

#include "translation/translation.h"

namespace kestrix {
namespace {

void appendNameList(std::string& block, const std::vector<std::string>& names) {
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) block += ", ";
    block += names[i];
  }
}

}  // namespace

void writePinDeclarations(Translation& t) {
  const std::vector<std::string>& names = t.pass.pio.names;
  std::string block;
  for (const std::string& name : names) {
    block += "assign " + name + " to nodes \"" + name + "\" \n";
  }
  if (!names.empty()) {
    block += "bidirectional ";
    appendNameList(block, names);
  }
  block += "\ninputs TCK, TMS, TDI\noutputs TDO\n\npower VCC, GND\nfamily TTL\n\n";
  block += "pcf order default Scan is TCK, TMS, TDI, TDO\n";
  if (!names.empty()) {
    block += "pcf order Parallel is TCK, TMS, TDI, TDO, ";
    appendNameList(block, names);
  }
  block += "\nunit \"Test\"\npcf\nuse pcf order Scan\n";
  t.charged.write(block, pinDeclarationLines(t));
  t.pass.output.pinBlockWritten = true;
  t.pass.output.pinBlockAtSplit = false;
}

std::int64_t pinDeclarationLines(const Translation& t) {
  const std::vector<std::string>& names = t.pass.pio.names;
  return names.empty() ? 5 : static_cast<std::int64_t>(names.size()) + 7;
}

}  // namespace kestrix
