#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "core/io.h"

namespace kestrix {

// A buffer of PCF bytes.
struct OutputBuffer {
  std::unique_ptr<char[]> bytes;
  std::size_t capacity = 0;
};

// A file for the writer thread to create.
struct FileRequest {
  FileSystem* files = nullptr;
  std::string path;
};

// What stopped the writer thread: a write or close of file `path`, its creation, or memory
// for it.
struct WriterFailure {
  enum class Kind : std::uint8_t { kNone, kWrite, kOpen, kOutOfMemory };
  Kind kind = Kind::kNone;
  std::string path;
};

// Writes the PCF files on a thread of their own, so that the kernel copies bytes into a file
// while the translation makes the next ones, and makes them there too: at a file switch the
// translation goes on at once with the bytes of the next file, while the thread closes the
// last file and creates the next one. A file's bytes go in blocks: the translation fills a
// block's buffer, and the thread writes what is ready of it as soon as the translation
// publishes it; once closed, the block's buffer goes back to the thread. Blocks and switches
// are carried out in order, each block into the file made last. A failure (a write, a close, a
// creation) stops all work; it shows once the block that failed is closed, a failed switch at
// once: so seen from the translation, a file fails at the same block as when each block was
// written whole when it was full. At most kBuffers buffers exist, so memory stays bounded
// however fast the translation runs.
class BackgroundWriter {
 public:
  static constexpr std::size_t kBuffers = 3;

  BackgroundWriter() = default;
  // Carries out what is closed, then ends the thread; a file still open is closed.
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // After everything closed so far: the current file (if any) is closed, then `next` is
  // created and takes the blocks that follow.
  void switchFile(FileRequest next);
  // Begins a block: a buffer of at least `capacity` bytes to fill, a written one or a new one
  // (waiting while kBuffers exist). Only one block is open at a time.
  OutputBuffer openBlock(std::size_t capacity);
  // The first `size` bytes of the open block are final: the thread may write them.
  void publish(std::size_t size);
  // The open block ends after `size` bytes; its buffer is the thread's now. False when a
  // failure shows.
  bool closeBlock(OutputBuffer buffer, std::size_t size);
  // Waits until everything closed is carried out. False when a failure shows.
  bool drain();
  // Drains, then closes the current file on the calling thread. False when a failure shows.
  bool closeFile();
  // The failure that shows, the first time only: it is reported once.
  std::optional<WriterFailure> takeFailure();

 private:
  // A block of the current file, or a file switch (`next` set).
  struct Job {
    const char* bytes = nullptr;
    std::size_t ready = 0;
    std::size_t written = 0;
    bool closed = false;
    bool failed = false;
    OutputBuffer buffer;
    std::optional<FileRequest> next;
  };
  void run();
  void start();
  // Carries out the next piece of work at the head of the queue; false when there is none.
  bool advance(std::unique_lock<std::mutex>& lock);
  void writeBlock(std::unique_lock<std::mutex>& lock, Job& job);
  void makeFile(std::unique_lock<std::mutex>& lock, FileRequest& next);
  void retire(Job& job);
  void fail(WriterFailure::Kind kind, std::string&& path);
  // The calling thread carries out the work when no thread could be started.
  void workInline(std::unique_lock<std::mutex>& lock);

  std::mutex mutex_;
  std::condition_variable changed_;
  std::condition_variable retired_;
  // What is not yet carried out, in order. Every block holds a buffer, so there are never more
  // than kBuffers; only the last job may be an open block.
  std::deque<Job> queue_;
  std::size_t closedPending_ = 0;
  std::vector<OutputBuffer> free_;
  // Buffers taken and not back in free_.
  std::size_t inUse_ = 0;
  // The file that blocks go to. Only the thread touches it while work is queued.
  std::unique_ptr<ByteSink> current_;
  std::string currentPath_;
  // A failure stopped all work: `failureShown` once its block is closed (a switch at once).
  bool stopped_ = false;
  bool failureShown_ = false;
  bool failureTaken_ = false;
  WriterFailure failure_;
  bool stopping_ = false;
  // Set when no thread could be started: the work is then done at once.
  bool inline_ = false;
  std::thread thread_;
};

}  // namespace kestrix
