#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "svf/frequency_directive.h"
#include "svf/statement_reader.h"

namespace kestrix {

struct Translation;

// The statements of the input as the reader delivered them, kept by a counting pass so that
// the counting passes after it need not read and join the input again. The reader
// depends on nothing that a pass changes, so every pass reads the same statements, with the
// same frequency directives (and their console messages) before each.
class StatementCache {
 public:
  // Past this many bytes of statement text the cache gives up and passes read the input.
  static constexpr std::size_t kLimit = std::size_t{256} << 20;

  // The next statement of a pass into t.lastCommandLine: from the cache while it has it, then
  // from the input (kept for the passes after). False at the end of the input.
  bool next(Translation& t);
  // A pass begins: the cache is read again from its first statement. False when it cannot
  // serve (it gave up), and the pass must read the input from its beginning.
  bool startPass();
  // Nothing kept yet: the pass reads from the beginning of the input.
  bool empty() const { return ends_.empty() && !readerSaved_; }
  // A pass ends: when it read beyond the cache, the reader's place is kept for the next pass.
  void endPass(Translation& t);

 private:
  // What the reader did before a statement: its console messages and the frequency after.
  struct ReaderEvent {
    std::size_t statement;
    std::string console;
    FrequencyState frequency;
  };

  bool readLive(Translation& t);

  std::string texts_;
  std::vector<std::size_t> ends_;
  std::vector<ReaderEvent> events_;
  std::size_t position_ = 0;
  std::size_t nextEvent_ = 0;
  // The reader's place after the last statement kept, while the pass reads from the cache.
  ReaderState liveReader_;
  bool readerSaved_ = false;
  bool complete_ = false;
  bool gaveUp_ = false;
};

}  // namespace kestrix
