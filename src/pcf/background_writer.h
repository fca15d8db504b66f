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

// Writes full buffers of PCF bytes to their files on a thread of its own, so that the kernel
// copies one buffer while the translation fills the next. The thread starts with the first
// buffer handed over: a translation that never fills one stays on one thread. Buffers are
// written in the order they were handed over; after a failed write the ones queued behind it
// are dropped, as a translation stopped at once would never have written them. At most
// kBuffers buffers exist, so memory stays bounded however fast the translation runs.
class BackgroundWriter {
 public:
  static constexpr std::size_t kBuffers = 3;

  BackgroundWriter() = default;
  // Writes what is queued, then ends the thread.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // A buffer of at least `capacity` bytes to fill: a written one, or a new one while fewer than
  // kBuffers exist; otherwise waits until one is written.
  OutputBuffer take(std::size_t capacity);
  // Returns a buffer that will not be handed over.
  void give(OutputBuffer buffer);
  // Queues the first `size` bytes of `buffer` for `sink`, which must stay open until the next
  // drain(), and puts a buffer to fill next in its place. False when a write has failed since
  // the last drain (which this call then makes).
  bool hand(ByteSink& sink, OutputBuffer& buffer, std::size_t size);
  // Waits until every buffer handed over is written; false when a write failed since the last
  // drain. No write is under way when it returns, so the caller may use the sink itself.
  bool drain();

 private:
  struct Job {
    ByteSink* sink = nullptr;
    OutputBuffer buffer;
    std::size_t size = 0;
  };
  void run();
  void start();
  OutputBuffer takeLocked(std::unique_lock<std::mutex>& lock, std::size_t capacity);

  std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable written_;
  // The queue, a ring: every job holds a buffer, so there are never more than kBuffers.
  std::array<Job, kBuffers> queue_{};
  std::size_t queueHead_ = 0;
  std::size_t queueLength_ = 0;
  std::vector<OutputBuffer> free_;
  // Buffers taken and not yet back in free_: being filled, queued or being written.
  std::size_t inUse_ = 0;
  std::size_t pending_ = 0;
  bool failed_ = false;
  bool stopping_ = false;
  // Set when no thread could be started: buffers are then written as they are handed over.
  bool inline_ = false;
  std::thread thread_;
};

}  // namespace kestrix
