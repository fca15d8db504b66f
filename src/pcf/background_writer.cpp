#include "pcf/background_writer.h"

#include <string_view>
#include <system_error>

namespace kestrix {

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  queued_.notify_one();
  if (thread_.joinable()) thread_.join();
}

OutputBuffer BackgroundWriter::take(std::size_t capacity) {
  std::unique_lock<std::mutex> lock(mutex_);
  return takeLocked(lock, capacity);
}

OutputBuffer BackgroundWriter::takeLocked(std::unique_lock<std::mutex>& lock,
                                          std::size_t capacity) {
  // Room for every buffer that can exist, so that the thread never allocates.
  free_.reserve(kBuffers);
  written_.wait(lock, [this] { return !free_.empty() || inUse_ + free_.size() < kBuffers; });
  OutputBuffer buffer;
  if (!free_.empty()) {
    buffer = std::move(free_.back());
    free_.pop_back();
  }
  if (buffer.capacity < capacity)
    buffer = {std::make_unique_for_overwrite<char[]>(capacity), capacity};
  ++inUse_;
  return buffer;
}

void BackgroundWriter::give(OutputBuffer buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  --inUse_;
  free_.push_back(std::move(buffer));
  written_.notify_all();
}

void BackgroundWriter::start() {
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    inline_ = true;
  }
}

bool BackgroundWriter::hand(ByteSink& sink, OutputBuffer& buffer, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!thread_.joinable() && !inline_) start();
  if (inline_) {
    if (!failed_ && !sink.write(std::string_view(buffer.bytes.get(), size))) failed_ = true;
  } else {
    std::size_t capacity = buffer.capacity;
    queue_[(queueHead_ + queueLength_++) % kBuffers] = {&sink, std::move(buffer), size};
    ++pending_;
    queued_.notify_one();
    buffer = takeLocked(lock, capacity);
  }
  if (!failed_) return true;
  lock.unlock();
  drain();
  return false;
}

bool BackgroundWriter::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  written_.wait(lock, [this] { return pending_ == 0; });
  bool written = !failed_;
  failed_ = false;
  return written;
}

void BackgroundWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    queued_.wait(lock, [this] { return stopping_ || queueLength_ > 0; });
    if (queueLength_ == 0) return;
    Job job = std::move(queue_[queueHead_]);
    queueHead_ = (queueHead_ + 1) % kBuffers;
    --queueLength_;
    bool dropped = failed_;
    lock.unlock();
    bool written = false;
    if (!dropped) {
      try {
        written = job.sink->write(std::string_view(job.buffer.bytes.get(), job.size));
      } catch (...) {
        // A sink that cannot take the bytes (a memory file out of memory) failed to write them.
      }
    }
    lock.lock();
    if (!dropped && !written) failed_ = true;
    --inUse_;
    free_.push_back(std::move(job.buffer));
    --pending_;
    written_.notify_all();
  }
}

}  // namespace kestrix
