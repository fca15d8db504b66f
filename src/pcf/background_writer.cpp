#include "pcf/background_writer.h"

#include <new>
#include <string_view>
#include <system_error>

namespace kestrix {
namespace {

// A sink that cannot take the bytes (a memory file out of memory) failed to write them.
bool writeBytes(ByteSink& sink, const char* bytes, std::size_t size) {
  try {
    return sink.write(std::string_view(bytes, size));
  } catch (...) {
    return false;
  }
}

bool closeSink(ByteSink& sink) {
  try {
    return sink.close();
  } catch (...) {
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

void BackgroundWriter::switchFile(FileRequest next) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (!thread_.joinable() && !inline_) start();
  Job& job = queue_.emplace_back();
  job.closed = true;
  job.next = std::move(next);
  ++closedPending_;
  if (inline_) {
    workInline(lock);
    return;
  }
  lock.unlock();
  changed_.notify_all();
}

OutputBuffer BackgroundWriter::openBlock(std::size_t capacity) {
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
  queue_.emplace_back().bytes = buffer.bytes.get();
  ++inUse_;
  return buffer;
}

void BackgroundWriter::publish(std::size_t size) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.back().ready = size;
    if (inline_) return;
  }
  changed_.notify_all();
}

bool BackgroundWriter::closeBlock(OutputBuffer buffer, std::size_t size) {
  std::unique_lock<std::mutex> lock(mutex_);
  Job& job = queue_.back();
  job.ready = size;
  job.closed = true;
  job.buffer = std::move(buffer);
  ++closedPending_;
  if (job.failed) failureShown_ = true;
  if (inline_) workInline(lock);
  bool shown = failureShown_;
  lock.unlock();
  changed_.notify_all();
  return !shown;
}

bool BackgroundWriter::drain() {
  std::unique_lock<std::mutex> lock(mutex_);
  retired_.wait(lock, [this] { return closedPending_ == 0; });
  return !failureShown_;
}

bool BackgroundWriter::closeFile() {
  std::unique_lock<std::mutex> lock(mutex_);
  retired_.wait(lock, [this] { return closedPending_ == 0; });
  // Nothing is queued now, so the thread leaves the file alone.
  if (current_ != nullptr) {
    bool closed = closeSink(*current_);
    current_.reset();
    if (!closed && !stopped_) {
      fail(WriterFailure::Kind::kWrite, std::move(currentPath_));
      failureShown_ = true;
    }
  }
  return !failureShown_;
}

std::optional<WriterFailure> BackgroundWriter::takeFailure() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!failureShown_ || failureTaken_) return std::nullopt;
  failureTaken_ = true;
  return failure_;
}

void BackgroundWriter::fail(WriterFailure::Kind kind, std::string&& path) {
  if (stopped_) return;
  stopped_ = true;
  failure_.kind = kind;
  // Moved, not copied: the thread must not run out of memory here.
  failure_.path = std::move(path);
}

void BackgroundWriter::run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    if (advance(lock)) continue;
    if (stopping_) return;
    changed_.wait(lock);
  }
}

void BackgroundWriter::workInline(std::unique_lock<std::mutex>& lock) {
  while (advance(lock)) {
  }
}

bool BackgroundWriter::advance(std::unique_lock<std::mutex>& lock) {
  if (queue_.empty()) return false;
  // The job stays at the head while the lock is let go: only the worker removes it, and the
  // queue keeps its place when the translation adds jobs behind it.
  Job& job = queue_.front();
  if (!stopped_ && job.written < job.ready) {
    writeBlock(lock, job);
    return true;
  }
  if (!job.closed) return false;
  if (job.next && !stopped_) makeFile(lock, *job.next);
  retire(job);
  return true;
}

void BackgroundWriter::writeBlock(std::unique_lock<std::mutex>& lock, Job& job) {
  ByteSink* sink = current_.get();
  const char* bytes = job.bytes + job.written;
  std::size_t size = job.ready - job.written;
  lock.unlock();
  bool written = sink != nullptr && writeBytes(*sink, bytes, size);
  lock.lock();
  job.written += size;
  if (!written) {
    job.failed = true;
    fail(WriterFailure::Kind::kWrite, std::move(currentPath_));
    if (job.closed) failureShown_ = true;
  }
}

void BackgroundWriter::makeFile(std::unique_lock<std::mutex>& lock, FileRequest& next) {
  lock.unlock();
  bool closed = true;
  if (current_ != nullptr) {
    closed = closeSink(*current_);
    current_.reset();
  }
  std::unique_ptr<ByteSink> sink;
  bool outOfMemory = false;
  if (closed) {
    try {
      sink = next.files->openWrite(next.path);
    } catch (const std::bad_alloc&) {
      outOfMemory = true;
    }
  }
  lock.lock();
  if (!closed) {
    fail(WriterFailure::Kind::kWrite, std::move(currentPath_));
  } else if (outOfMemory) {
    fail(WriterFailure::Kind::kOutOfMemory, std::move(next.path));
  } else if (sink == nullptr) {
    fail(WriterFailure::Kind::kOpen, std::move(next.path));
  } else {
    current_ = std::move(sink);
    currentPath_ = std::move(next.path);
    return;
  }
  failureShown_ = true;
}

void BackgroundWriter::retire(Job& job) {
  if (!job.next) {
    --inUse_;
    free_.push_back(std::move(job.buffer));
  }
  queue_.pop_front();
  --closedPending_;
  retired_.notify_all();
}

}  // namespace kestrix
