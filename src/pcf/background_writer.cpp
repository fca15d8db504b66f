#include "pcf/background_writer.h"

#include <string_view>
#include <system_error>

namespace kestrix {
namespace {

bool writeBytes(ByteSink& sink, const char* bytes, std::size_t size) {
  try {
    return sink.write(std::string_view(bytes, size));
  } catch (...) {
    // A sink that cannot take the bytes (a memory file out of memory) failed to write them.
    return false;
  }
}

}  // namespace

BackgroundWriter::~BackgroundWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void BackgroundWriter::start() {
  // Room for every buffer that can exist, so that the thread never allocates.
  free_.reserve(kBuffers);
  try {
    thread_ = std::thread([this] { run(); });
  } catch (const std::system_error&) {
    inline_ = true;
  }
}

OutputBuffer BackgroundWriter::openBlock(ByteSink& sink, std::size_t capacity) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!thread_.joinable() && !inline_) start();
  retired_.wait(lock, [this] { return !free_.empty() || inUse_ + free_.size() < kBuffers; });
  OutputBuffer buffer;
  if (!free_.empty()) {
    buffer = std::move(free_.back());
    free_.pop_back();
  }
  if (buffer.capacity < capacity) {
    buffer = {std::make_unique_for_overwrite<char[]>(capacity), capacity};
  }
  ++inUse_;
  inlineSink_ = &sink;
  if (!inline_) {
    Job& job = queue_[(head_ + length_++) % kBuffers];
    job.sink = &sink;
    job.bytes = buffer.bytes.get();
  }
  return buffer;
}

void BackgroundWriter::publish(std::size_t size) {
  if (inline_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    openJob().ready = size;
  }
  changed_.notify_all();
}

bool BackgroundWriter::closeBlock(OutputBuffer buffer, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (inline_) {
    if (!stopped_ && !writeBytes(*inlineSink_, buffer.bytes.get(), size)) stopped_ = true;
    failureShown_ = stopped_;
    --inUse_;
    free_.push_back(std::move(buffer));
    return !failureShown_;
  }
  Job& job = openJob();
  job.ready = size;
  job.closed = true;
  job.buffer = std::move(buffer);
  ++closedPending_;
  if (job.failed) failureShown_ = true;
  bool written = !failureShown_;
  lock.unlock();
  changed_.notify_all();
  return written;
}

bool BackgroundWriter::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  retired_.wait(lock, [this] { return closedPending_ == 0; });
  return !failureShown_;
}

void BackgroundWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (length_ == 0) {
      if (stopping_) return;
      changed_.wait(lock);
      continue;
    }
    Job& job = queue_[head_];
    if (!stopped_ && job.written < job.ready) {
      // The job stays at the head while the lock is let go: only this thread removes it.
      ByteSink* sink = job.sink;
      const char* bytes = job.bytes + job.written;
      std::size_t size = job.ready - job.written;
      lock.unlock();
      bool written = writeBytes(*sink, bytes, size);
      lock.lock();
      job.written += size;
      if (!written) {
        stopped_ = true;
        job.failed = true;
        if (job.closed) failureShown_ = true;
      }
      continue;
    }
    if (job.closed) {
      --inUse_;
      free_.push_back(std::move(job.buffer));
      job = Job{};
      head_ = (head_ + 1) % kBuffers;
      --length_;
      --closedPending_;
      retired_.notify_all();
      continue;
    }
    changed_.wait(lock);
  }
}

}  // namespace kestrix
