#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/tap_state.h"
#include "svf/frequency_directive.h"
#include "svf/hex.h"
#include "svf/statement_reader.h"
#include "tap/tap_model.h"

namespace kestrix {

// The six scan parameter records, in keyword order.
enum class ScanKind : std::uint8_t { HDR, HIR, TDR, TIR, SDR, SIR };

// The parameters of one scan segment: its length and the bit strings kept for it.
struct ScanRegister {
  std::uint32_t length = 0;
  // The last length keyword replaced a different non-zero length: kept values may not fit.
  bool lengthChanged = false;
  std::optional<BitString> tdi;
  bool tdiGiven = false;
  // Present only between a TDO keyword and the end of the next scan of its side.
  std::optional<BitString> tdo;
  std::optional<BitString> mask;
  bool maskGiven = false;
  std::optional<BitString> smask;
  bool smaskGiven = false;
};

struct ScanState {
  std::array<ScanRegister, 6> records{};
  ScanKind currentScanKind = ScanKind::HDR;
  bool sdrInStatement = false;
  bool sirInStatement = false;

  ScanRegister& record(ScanKind kind) { return records[static_cast<std::size_t>(kind)]; }
};

// The end, run and wait states and the last run count, kept from statement to statement.
struct TimingState {
  TapState endDrState = TapState::IDLE;
  TapState endIrState = TapState::IDLE;
  TapState runTestRunState = TapState::IDLE;
  TapState runTestEndState = TapState::IDLE;
  TapState waitEndState = TapState::IDLE;
  std::uint64_t runCount = 0;
};

// The PIO map and the pattern in force.
struct PioState {
  bool pioMapDefined = false;
  // The names of the map, in the order of the PIOMAP statement.
  std::vector<std::string> names;
  // The PCF characters of the PIO pins and the closing quote of a vector pattern; the quote
  // alone outside PIO statements.
  std::string PIOstring = "\"";
  bool pioInStatement = false;
  // "use pcf order Parallel" stands in the file for the lines of this statement.
  bool parallelOrder = false;
};

// The output side of one translation pass.
struct OutputState {
  // Lines charged to the current PCF file against the vector budget.
  std::int64_t vectorCount = 0;
  // The number the next file opened will bear: files produced so far are nextFileNumber - 1.
  std::int64_t nextFileNumber = 1;
  bool pinBlockWritten = false;
  // The file's pin block was written when the file was started at a split, not at the demand
  // of a statement: no statement of this file has clocked the TAP yet.
  bool pinBlockAtSplit = false;
};

// The commands of a statement that run at its end, in statement order.
enum class StatementCommand : std::uint8_t { kSdr, kSir, kPio };

// Everything a restart puts back to its start-up value: a repeated pass is a fresh run.
struct PassState {
  ReaderState reader;
  FrequencyState frequency;
  bool inParentheses = false;
  TapModel tap;
  ScanState scans;
  TimingState timing;
  PioState pio;
  OutputState output;
  std::vector<StatementCommand> commands;
  // The unknown-keyword message has been printed for the statement being translated.
  bool unknownReported = false;
  // Statements skipped whole for an unknown command; the summary tells how many.
  std::uint64_t statementsSkipped = 0;
};

}  // namespace kestrix
