#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "replay/cycle.h"
#include "replay/replay.h"
#include "replay/tap.h"

namespace kestrix::replay {

// Reads the lines of a file set in order, pairs the vector lines of each cycle, follows the TAP
// and hands every cycle and wait to a listener. Vector lines count only inside pcf sections
// (after the pin block's "pcf" or a wait block's "pcf", up to "end pcf"), so the head's
// header text may hold anything. The files are streamed: bytes go in as they are read, and
// nothing but the current line is kept.
class Replayer {
 public:
  explicit Replayer(CycleListener& listener) : listener_(listener) {}

  // The next file of the set begins.
  void beginFile(const std::string& name);
  // Bytes of the current file, in order; a line may be split between calls. False once the
  // replay has found a problem (the bytes are then ignored).
  bool feed(std::string_view bytes);
  // The current file ends; a file without its trailer is a problem. False after a problem.
  bool endFile();
  // A problem found outside the files' text, such as a file missing from the set.
  void fail(Place where, std::string message);
  // The set ends, after a problem too: the listener completes what is still open.
  void finish();

  const std::optional<Problem>& problem() const { return problem_; }
  State state() const { return tap_.state; }

 private:
  enum class Part { kHead, kSection, kAfterEndPcf, kAfterWait, kEnded };
  struct FileState {
    Part part = Part::kHead;
    std::uint64_t line = 0;
    std::uint64_t vectors = 0;
    bool parallel = false;
    bool haveParallelOrder = false;
    std::vector<std::string> pioNames;
    // The names of the last "bidirectional" line: the PIO pins, which tell an order written
    // with a TRST column name from one without.
    std::vector<std::string> bidirectional;
    // The head: the last line was `unit "Test"` closing a pin block, or the trailer so far.
    bool blankOrParallelBefore = false;
    bool unitBefore = false;
    int trailerLines = 0;
    // The first line of the head that only a pcf section may hold ("pcf", a vector line).
    std::uint64_t sectionLine = 0;
    // A TCK-0 line waiting for its TCK-1 line.
    bool pending = false;
    char tms = '0';
    char tdi = 'Z';
    char tdo = 'X';
    std::uint64_t pendingLine = 0;
    std::uint64_t pendingVector = 0;
  };

  void line(std::string_view text);
  void headLine(std::string_view text);
  void sectionLine(std::string_view text);
  void vectorLine(std::string_view text);
  void tck0Line(std::string_view pins);
  void tck1Line(std::string_view pins);
  bool checkPins(std::string_view pins);
  void orderLine(std::string_view order);
  void parallelOrderLine(std::string_view text);
  void bidirectionalLine(std::string_view text);
  static std::vector<std::string> nameList(std::string_view rest);
  void waitLine(std::string_view text);
  void problemAt(std::uint64_t line, std::string message);
  // Keeps the start of a line that goes on in the next block.
  void carry(std::string_view bytes);

  CycleListener& listener_;
  Tap tap_;
  std::vector<std::string> files_;
  FileState file_;
  // The PIO characters of the pending TCK-0 line; reused so that cycles do not allocate.
  std::string pendingPio_;
  // The start of a line whose end has not been fed yet.
  std::string carry_;
  std::optional<Problem> problem_;
};

}  // namespace kestrix::replay
