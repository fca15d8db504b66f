#include "replay/replayer.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/blank.h"
#include "core/vector_format.h"

namespace kestrix::replay {
namespace {

namespace vf = kestrix::vector_format;

// Which pins may carry a character: one bit per kind of pin.
constexpr std::uint8_t kLevel = 1;   // TCK, TMS: 0 1
constexpr std::uint8_t kDriven = 2;  // TDI: 0 1 Z
constexpr std::uint8_t kExpect = 4;  // TDO: H L X
constexpr std::uint8_t kPio = 8;     // PIO pins: any of the six

constexpr std::array<std::uint8_t, 256> makePinTable() {
  std::array<std::uint8_t, 256> table{};
  auto set = [&table](char c, std::uint8_t kinds) { table[static_cast<unsigned char>(c)] = kinds; };
  set(vf::kLow, kLevel | kDriven | kPio);
  set(vf::kHigh, kLevel | kDriven | kPio);
  set(vf::kNotDriven, kDriven | kPio);
  set(vf::kExpectHigh, kExpect | kPio);
  set(vf::kExpectLow, kExpect | kPio);
  set(vf::kDontCare, kExpect | kPio);
  return table;
}
constexpr std::array<std::uint8_t, 256> kPinTable = makePinTable();

bool allows(char c, std::uint8_t kind) {
  return (kPinTable[static_cast<unsigned char>(c)] & kind) != 0;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// A comment line ("!" or "//" after blanks) or a line of blanks only: SVF text copied into the
// file, which stands anywhere.
enum class Copied { kNo, kBlank, kComment };
Copied copiedLine(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && isBlank(text[at])) ++at;
  if (at == text.size()) return Copied::kBlank;
  if (text[at] == '!') return Copied::kComment;
  if (text[at] == '/' && at + 1 < text.size() && text[at + 1] == '/') return Copied::kComment;
  return Copied::kNo;
}

// The lines of a pin block, which a PIOMAP statement may write in the middle of a section.
bool isPinBlockLine(std::string_view text) {
  static constexpr std::string_view kStarts[] = {"assign ",    "bidirectional ", "inputs ",
                                                 "outputs ",   "power ",         "family ",
                                                 "pcf order ", "unit \""};
  for (std::string_view start : kStarts) {
    if (startsWith(text, start)) return true;
  }
  return text == "pcf";
}

// A line quoted in a message, cut to a readable length.
std::string quoted(std::string_view text) {
  constexpr std::size_t kMost = 60;
  std::string shown(text.substr(0, kMost));
  if (text.size() > kMost) shown += "...";
  return "\"" + shown + "\"";
}

std::string pinName(std::size_t column, const std::vector<std::string>& pioNames) {
  static constexpr std::string_view kJtag[] = {"TCK", "TMS", "TDI", "TDO"};
  if (column < vf::kJtagPins) return std::string(kJtag[column]);
  return pioNames[column - vf::kJtagPins];
}

constexpr std::string_view kUnitLine = "unit \"Test\"";
constexpr std::string_view kParallelOrder = "pcf order Parallel is ";
constexpr std::string_view kBidirectional = "bidirectional ";
constexpr std::string_view kUseOrder = "use pcf order ";
constexpr std::string_view kWait = "wait ";

}  // namespace

void Replayer::beginFile(const std::string& name) {
  file_ = FileState{};
  carry_.clear();
  files_.push_back(name);
  listener_.fileBegin(files_.size() - 1, name);
}

// A line that runs over blocks is kept up to this length: every line the replay reads is far
// shorter (a pin order names its pins in it), and a longer one (an echoed SVF line of hex data)
// matters only by its start. So memory stays bounded however long a line is.
constexpr std::size_t kLongestKeptLine = std::size_t{1} << 20;

void Replayer::carry(std::string_view bytes) {
  std::size_t room = kLongestKeptLine - std::min(carry_.size(), kLongestKeptLine);
  carry_.append(bytes.substr(0, room));
}

bool Replayer::feed(std::string_view bytes) {
  while (!problem_ && !bytes.empty()) {
    const void* found = std::memchr(bytes.data(), '\n', bytes.size());
    if (found == nullptr) {
      carry(bytes);
      break;
    }
    std::size_t end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
    if (carry_.empty()) {
      line(bytes.substr(0, end));
    } else {
      carry(bytes.substr(0, end));
      line(carry_);
      carry_.clear();
    }
    bytes.remove_prefix(end + 1);
  }
  return !problem_;
}

bool Replayer::endFile() {
  if (!problem_ && !carry_.empty()) {
    line(carry_);
    carry_.clear();
  }
  if (problem_) return false;
  if (file_.pending) {
    problemAt(file_.pendingLine, "a TCK-0 line without its TCK-1 line");
    return false;
  }
  // kestrix writes a file without a section when nothing clocked in it; one whose lines
  // would stand in a section without one opened has vectors that no tester reads.
  if (file_.part == Part::kHead && file_.sectionLine != 0) {
    problemAt(file_.sectionLine,
              "no pcf section: this line stands where only a pcf section may hold it, and no pin "
              "block (a unit \"Test\" line, then \"pcf\") opens one; the file is not one "
              "kestrix wrote, or was edited");
    return false;
  }
  bool trailer =
      file_.part == Part::kEnded || (file_.part == Part::kHead && file_.trailerLines == 2);
  if (!trailer) {
    problemAt(file_.line,
              "the file ends without its trailer (end pcf, end unit): the translation stopped "
              "there and the set is incomplete");
    return false;
  }
  listener_.fileEnd(files_.size() - 1, file_.vectors);
  return true;
}

void Replayer::fail(Place where, std::string message) {
  if (!problem_) problem_ = Problem{std::move(where), std::move(message)};
}

void Replayer::finish() { listener_.finish(tap_.state); }

void Replayer::problemAt(std::uint64_t line, std::string message) {
  fail(Place{files_.empty() ? std::string() : files_.back(), line}, std::move(message));
}

void Replayer::line(std::string_view text) {
  ++file_.line;
  if (!text.empty() && text.back() == '\r') text.remove_suffix(1);
  if (file_.part == Part::kSection && !text.empty() && text[0] == vf::kQuote) {
    vectorLine(text);
    return;
  }
  if (file_.pending) {
    problemAt(file_.pendingLine, "a TCK-0 line without its TCK-1 line");
    return;
  }
  switch (file_.part) {
    case Part::kHead:
      headLine(text);
      return;
    case Part::kSection:
      sectionLine(text);
      return;
    case Part::kAfterEndPcf:
      if (startsWith(text, kWait)) {
        waitLine(text);
      } else if (text == "end unit") {
        file_.part = Part::kEnded;
      } else {
        problemAt(file_.line,
                  "a wait line or \"end unit\" must follow \"end pcf\", not " + quoted(text));
      }
      return;
    case Part::kAfterWait:
      if (text == "pcf") {
        file_.part = Part::kSection;
      } else {
        problemAt(file_.line, "\"pcf\" must follow a wait line, not " + quoted(text));
      }
      return;
    case Part::kEnded:
      problemAt(file_.line, "a line after \"end unit\"");
      return;
  }
}

// Before the first pin block: the banner, the user's header text and copied SVF lines, which
// may hold anything. A pin block opens the first section; a file that never got one ends with
// the trailer alone.
void Replayer::headLine(std::string_view text) {
  if (file_.line > 2 && copiedLine(text) == Copied::kComment) listener_.comment(text);
  if (file_.sectionLine == 0 && file_.line > 2 && (text == "pcf" || startsWith(text, "\""))) {
    file_.sectionLine = file_.line;
  }
  if (startsWith(text, kBidirectional)) bidirectionalLine(text);
  if (startsWith(text, kParallelOrder)) parallelOrderLine(text);
  if (text == "pcf" && file_.unitBefore) {
    file_.part = Part::kSection;
    return;
  }
  file_.unitBefore = text == kUnitLine && file_.blankOrParallelBefore;
  file_.blankOrParallelBefore = text.empty() || startsWith(text, kParallelOrder);
  if (text == "end pcf") {
    file_.trailerLines = 1;
  } else {
    file_.trailerLines = text == "end unit" && file_.trailerLines == 1 ? 2 : 0;
  }
}

void Replayer::sectionLine(std::string_view text) {
  switch (copiedLine(text)) {
    case Copied::kComment:
      listener_.comment(text);
      return;
    case Copied::kBlank:
      return;
    case Copied::kNo:
      break;
  }
  if (text == "end pcf") {
    file_.part = Part::kAfterEndPcf;
  } else if (startsWith(text, kUseOrder)) {
    orderLine(text.substr(kUseOrder.size()));
  } else if (startsWith(text, kParallelOrder)) {
    parallelOrderLine(text);
  } else if (startsWith(text, kBidirectional)) {
    bidirectionalLine(text);
  } else if (!isPinBlockLine(text)) {
    problemAt(file_.line, "an unexpected line in a pcf section: " + quoted(text));
  }
}

void Replayer::orderLine(std::string_view order) {
  if (order == "Scan") {
    file_.parallel = false;
  } else if (order != "Parallel") {
    problemAt(file_.line, "an unknown pin order " + quoted(order));
  } else if (!file_.haveParallelOrder) {
    problemAt(file_.line,
              "\"use pcf order Parallel\" in a file that declares no pin order "
              "Parallel");
  } else {
    file_.parallel = true;
  }
}

// ", P1, P2" as the names P1 and P2.
std::vector<std::string> Replayer::nameList(std::string_view rest) {
  std::vector<std::string> names;
  while (startsWith(rest, ", ")) {
    rest.remove_prefix(2);
    std::size_t end = rest.find(", ");
    names.emplace_back(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
  }
  return names;
}

// "bidirectional P1, P2": the PIO pins of the block.
void Replayer::bidirectionalLine(std::string_view text) {
  file_.bidirectional = nameList(", " + std::string(text.substr(kBidirectional.size())));
}

// "pcf order Parallel is TCK, TMS, TDI, TDO, P1, P2": the PIO pins follow TDO. Sets written by
// earlier versions named a TRST after TDO that the lines carry no column for: an order that is
// TRST followed by exactly the block's bidirectional pins is such a one, and its TRST is passed
// over (a PIO pin may itself be named TRST).
void Replayer::parallelOrderLine(std::string_view text) {
  std::string_view rest = text.substr(kParallelOrder.size());
  constexpr std::string_view kJtag = "TCK, TMS, TDI, TDO";
  if (!startsWith(rest, kJtag)) {
    problemAt(file_.line, "a pin order Parallel that does not begin with TCK, TMS, TDI, TDO");
    return;
  }
  rest.remove_prefix(kJtag.size());
  std::vector<std::string> names = nameList(rest);
  if (!names.empty() && names.front() == "TRST" &&
      std::equal(names.begin() + 1, names.end(), file_.bidirectional.begin(),
                 file_.bidirectional.end())) {
    names.erase(names.begin());
  }
  file_.pioNames = std::move(names);
  file_.haveParallelOrder = true;
  listener_.parallelOrder(file_.pioNames);
}

void Replayer::waitLine(std::string_view text) {
  std::string_view amount = text.substr(kWait.size());
  std::size_t digits = 0;
  while (digits < amount.size() && amount[digits] >= '0' && amount[digits] <= '9') ++digits;
  bool unit = digits + 1 == amount.size() && (amount.back() == 'u' || amount.back() == 's');
  if (digits == 0 || (digits != amount.size() && !unit)) {
    problemAt(file_.line,
              "a wait line without a number of microseconds or seconds: " + quoted(text));
    return;
  }
  file_.part = Part::kAfterWait;
  listener_.wait(amount, LineRef{files_.size() - 1, file_.line, file_.vectors});
}

void Replayer::vectorLine(std::string_view text) {
  ++file_.vectors;
  const std::size_t pins = vf::kJtagPins + (file_.parallel ? file_.pioNames.size() : 0);
  if (text.size() < pins + 2 || text[pins + 1] != vf::kQuote) {
    std::size_t close = text.find(vf::kQuote, 1);
    if (close == std::string_view::npos) {
      problemAt(file_.line, "a vector line without its closing quote");
    } else {
      problemAt(file_.line, "a vector line with " + std::to_string(close - 1) +
                                " pin characters where the pin order " +
                                (file_.parallel ? "Parallel" : "Scan") + " has " +
                                std::to_string(pins));
    }
    return;
  }
  // After the pins: the line end's blank, and on a TCK-1 line the comment.
  std::string_view rest = text.substr(pins + 2);
  if (!startsWith(rest, vf::kCommentMark) &&
      rest.find_first_not_of(' ') != std::string_view::npos) {
    problemAt(file_.line, "unexpected text after the pins of a vector line: " + quoted(text));
    return;
  }
  std::string_view pinText = text.substr(1, pins);
  if (!checkPins(pinText)) return;
  if (pinText[vf::kTckColumn] == vf::kLow) {
    tck0Line(pinText);
  } else {
    tck1Line(pinText);
  }
}

bool Replayer::checkPins(std::string_view pins) {
  static constexpr std::uint8_t kKinds[] = {kLevel, kLevel, kDriven, kExpect};
  static constexpr std::string_view kExpected[] = {"0 or 1", "0 or 1", "0, 1 or Z", "H, L or X"};
  for (std::size_t column = 0; column < pins.size(); ++column) {
    bool jtag = column < vf::kJtagPins;
    if (allows(pins[column], jtag ? kKinds[column] : kPio)) continue;
    std::string expected(jtag ? kExpected[column] : "0, 1, Z, H, L or X");
    problemAt(file_.line, "the pin character " + quoted(pins.substr(column, 1)) + " for " +
                              pinName(column, file_.pioNames) + " is none of " + expected);
    return false;
  }
  return true;
}

void Replayer::tck0Line(std::string_view pins) {
  if (file_.pending) {
    problemAt(file_.pendingLine, "a TCK-0 line without its TCK-1 line");
    return;
  }
  file_.pending = true;
  file_.tms = pins[vf::kTmsColumn];
  file_.tdi = pins[vf::kTdiColumn];
  file_.tdo = pins[vf::kTdoColumn];
  file_.pendingLine = file_.line;
  file_.pendingVector = file_.vectors;
  pendingPio_.assign(pins.substr(vf::kJtagPins));
}

void Replayer::tck1Line(std::string_view pins) {
  if (!file_.pending) {
    problemAt(file_.line, "a TCK-1 line without its TCK-0 line");
    return;
  }
  if (pins[vf::kTmsColumn] != file_.tms) {
    problemAt(file_.line, "TMS differs between the TCK-0 and TCK-1 lines of a cycle");
    return;
  }
  if (pins[vf::kTdiColumn] != file_.tdi) {
    problemAt(file_.line, "TDI differs between the TCK-0 and TCK-1 lines of a cycle");
    return;
  }
  file_.pending = false;
  Cycle c;
  c.from = tap_.state;
  c.to = tap_.clock(file_.tms == vf::kHigh);
  c.tms = file_.tms;
  c.tdi = file_.tdi;
  c.tdo = file_.tdo;
  c.pio = pendingPio_;
  c.where = LineRef{files_.size() - 1, file_.pendingLine, file_.pendingVector};
  c.vector = file_.pendingVector;
  listener_.cycle(c);
}

}  // namespace kestrix::replay
