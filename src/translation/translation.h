#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/io.h"
#include "pcf/background_writer.h"
#include "pcf/charged_output.h"
#include "pcf/pcf_file.h"
#include "svf/line_reader.h"
#include "tap/vector_writer.h"
#include "translation/pass_state.h"

namespace kestrix {

inline constexpr std::int64_t kDefaultMaxVectors = 440000;
inline constexpr std::int64_t kMinMaxVectors = 30000;
inline constexpr std::int64_t kMaxMaxVectors = 1000000;
// Room between the split point and the budget, and the step by which a restart tightens it.
inline constexpr std::int64_t kSplitMargin = 25000;
// Lines charged for the head of every PCF file.
inline constexpr std::int64_t kHeadLines = 17;
// In a pass that pauses scans, a scan pauses for the next file when its file comes this close
// to the budget.
inline constexpr std::int64_t kPauseRoom = 64;

// What the command line settles; it lasts through every pass.
struct Options {
  std::string programName;
  std::string inputFile;
  std::string headerFile;
  std::string outputFile;
  bool commentsOn = false;
  std::int64_t maxVectors = 0;
  std::int64_t splitThreshold = 0;
  // Restart by writing every pass again, the straightforward way, instead of counting the
  // abandoned passes; tests compare the two.
  bool plainRestarts = false;
};

// What a pass does with its files. A counting pass only counts their lines: it will be repeated,
// writing. A pass that pauses scans comes after the split point has met zero: scans too long
// for any file pause across files, and the pass writes and never restarts.
enum class PassMode : std::uint8_t { kCounting, kWriting, kPausingScans };

// One translation: options, the seams it reads and writes through, and the pass state.
struct Translation {
  Translation(Console& consoleIn, FileSystem& filesIn)
      : fencedConsole(consoleIn, [this] { settleOutput(); }),
        console(fencedConsole),
        files(filesIn) {}

  // Before a message, the PCF bytes written so far reach their file: a message never stands
  // where a write error would have stopped the translation. Messages are few (frequency lines,
  // errors), so waiting for the writer at each costs nothing worth overlapping.
  void settleOutput() {
    if (output != nullptr) output->settle();
  }

  // Messages go through `console`, which is routed elsewhere while they are held back (in
  // counting passes); `fencedConsole` lets the PCF bytes reach their file first.
  FencedConsole fencedConsole;
  RoutedConsole console;
  FileSystem& files;
  Options options;
  // Writes the full buffers of the PCF files; it outlives every file.
  BackgroundWriter writer;
  std::unique_ptr<ByteSource> input;
  LineReader lines;
  // The header file's bytes, read once at start-up: every PCF file of every pass gets them.
  std::string header;
  // The input and the header file: no PCF file may be made over one of them.
  std::vector<FileIdentity> filesRead;
  std::unique_ptr<PcfFile> output;
  std::int64_t restartMargin = 0;
  PassMode mode = PassMode::kWriting;
  PassState pass;
  // The current file and its line count, for every line charged to the budget.
  ChargedOutput charged{output, pass.output.vectorCount};
  // What the TAP engine writes cycles through.
  CycleWriter cycles{charged, pass.tap, pass.pio.PIOstring, options.commentsOn};
  // The statement being translated, quoted by messages, and the one before it.
  std::string lastCommandLine;
  std::string previousCommandLine;
};

}  // namespace kestrix
