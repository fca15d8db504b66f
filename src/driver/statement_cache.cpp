#include "driver/statement_cache.h"

#include "driver/translation.h"

namespace kestrix {
namespace {

// Prints to two consoles.
class TeeConsole final : public Console {
 public:
  TeeConsole(Console& first, Console& second) : first_(first), second_(second) {}
  void print(std::string_view text) override {
    first_.print(text);
    second_.print(text);
  }
  void printError(std::string_view text) override {
    first_.printError(text);
    second_.printError(text);
  }

 private:
  Console& first_;
  Console& second_;
};

}  // namespace

bool StatementCache::startPass() {
  position_ = 0;
  nextEvent_ = 0;
  return !gaveUp_;
}

void StatementCache::endPass(Translation& t) {
  if (position_ == ends_.size() && !complete_) {
    liveReader_ = std::move(t.pass.reader);
    readerSaved_ = true;
  }
}

bool StatementCache::next(Translation& t) {
  while (nextEvent_ < events_.size() && events_[nextEvent_].statement == position_) {
    const ReaderEvent& event = events_[nextEvent_++];
    t.console.print(event.console);
    t.pass.frequency = event.frequency;
  }
  if (position_ < ends_.size()) {
    std::size_t begin = position_ == 0 ? 0 : ends_[position_ - 1];
    t.lastCommandLine.assign(texts_, begin, ends_[position_] - begin);
    ++position_;
    return true;
  }
  if (complete_) return false;
  return readLive(t);
}

bool StatementCache::readLive(Translation& t) {
  if (readerSaved_) {
    t.pass.reader = std::move(liveReader_);
    readerSaved_ = false;
  }
  // The reader's messages go where the pass's go, and into the cache.
  MemoryConsole captured;
  bool read = false;
  {
    TeeConsole tee(t.console.target(), captured);
    RouteGuard route(t.console, tee);
    read = readStatement(t, t.lastCommandLine);
  }
  if (!captured.out.empty()) {
    events_.push_back({ends_.size(), std::move(captured.out), t.pass.frequency});
    ++nextEvent_;
  }
  if (!read) {
    complete_ = true;
    return false;
  }
  if (texts_.size() + t.lastCommandLine.size() > kLimit) gaveUp_ = true;
  if (!gaveUp_) {
    texts_ += t.lastCommandLine;
    ends_.push_back(texts_.size());
  }
  ++position_;
  return true;
}

}  // namespace kestrix
