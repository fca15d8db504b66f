#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "driver/io.h"

namespace kestrix {

// A buffer of PCF bytes.
struct OutputBuffer {
  std::unique_ptr<char[]> bytes;
  std::size_t capacity = 0;
};

// Writes the PCF files on a thread of its own, so that the kernel copies bytes into a file
// while the translation makes the next ones. A file's bytes go in blocks: the translation fills
// a block's buffer, and the thread writes what is ready of it as soon as the translation
// publishes it; once closed, the block's buffer goes back to the thread. Blocks are written in
// order. A write that fails stops all writing, and the failure shows only once its block is
// closed: so a file fails at the same block, seen from the translation, as when each block was
// written whole when it was full. At most kBuffers buffers exist, so memory stays bounded
// however fast the translation runs.
class BackgroundWriter {
 public:
  static constexpr std::size_t kBuffers = 3;

  BackgroundWriter() = default;
  // Writes what is closed, then ends the thread.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // Begins a block of `sink`, which must stay open until the block is closed and drained: a
  // buffer of at least `capacity` bytes to fill, a written one or a new one (waiting while
  // kBuffers exist). Only one block is open at a time.
  OutputBuffer openBlock(ByteSink& sink, std::size_t capacity);
  // The first `size` bytes of the open block are final: the thread may write them.
  void publish(std::size_t size);
  // The open block ends after `size` bytes; its buffer is the thread's now. False when a write
  // of this block or of one before it has failed.
  bool closeBlock(OutputBuffer buffer, std::size_t size);
  // Waits until every closed block is written. False when a write of a closed block failed.
  bool drain();

 private:
  struct Job {
    ByteSink* sink = nullptr;
    const char* bytes = nullptr;
    std::size_t ready = 0;
    std::size_t written = 0;
    bool closed = false;
    bool failed = false;
    OutputBuffer buffer;
  };
  void run();
  void start();
  Job& openJob() { return queue_[(head_ + length_ - 1) % kBuffers]; }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable retired_;
  // The blocks not yet written, in order, as a ring: every one holds a buffer, so there are
  // never more than kBuffers. Only the last one may be open.
  std::array<Job, kBuffers> queue_{};
  std::size_t head_ = 0;
  std::size_t length_ = 0;
  std::size_t closedPending_ = 0;
  std::vector<OutputBuffer> free_;
  // Buffers taken and not back in free_.
  std::size_t inUse_ = 0;
  // A write failed: nothing more is written. `failureShown` once the failed block is closed.
  bool stopped_ = false;
  bool failureShown_ = false;
  bool stopping_ = false;
  // Set when no thread could be started: closed blocks are then written at once.
  bool inline_ = false;
  ByteSink* inlineSink_ = nullptr;
  std::thread thread_;
};

}  // namespace kestrix
