#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "core/console.h"
#include "core/io.h"
#include "pcf/background_writer.h"

namespace kestrix {

// One open PCF file. Bytes collect in a large buffer and reach the file in big blocks, through
// the writer thread when there is one. A failed write or close prints "Cannot write output
// file" and stops the translation: a silently short file is worse than an error. With the
// writer thread the blocks are the same, the thread closes a file and makes the next one, and
// a failure stops the translation before any later message or file (see settle()), so a run
// ends as if every block had been written and every file made at once.
class PcfFile {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;
  // A counting file only needs room for the largest line group it is handed at once.
  static constexpr std::size_t kDiscardBufferSize = 1 << 12;

  // A file whose blocks are written on the calling thread.
  PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console);
  // A file that `writer` makes on its thread (BackgroundWriter::switchFile) and writes there.
  PcfFile(std::string name, Console& console, BackgroundWriter& writer);
  // A file that only counts: every byte written to it is dropped. Passes whose output is
  // certain to be abandoned write to such files.
  PcfFile(std::string name, Console& console);
  // Best effort only: flushes and closes without trailer, reporting nothing.
  ~PcfFile();
  PcfFile(const PcfFile&) = delete;
  PcfFile& operator=(const PcfFile&) = delete;

  const std::string& name() const { return name_; }
  // Writers may skip composing lines that would be dropped.
  bool discarding() const { return discarding_; }

  void write(std::string_view text) {
    if (discarding()) return;
    char* at = reserve(text.size());
    text.copy(at, text.size());
    commit(at + text.size());
  }

  // Room for `size` more bytes; write them at the pointer returned, then commit the end.
  char* reserve(std::size_t size) {
    if (buffer_.capacity - used_ < size) makeRoom(size);
    return buffer_.bytes.get() + used_;
  }
  void commit(char* end) {
    used_ = static_cast<std::size_t>(end - buffer_.bytes.get());
    if (used_ >= nextPublish_) publish();
  }
  // The end of the room that the last reserve made: writers of many lines check against it.
  char* bufferEnd() { return buffer_.bytes.get() + buffer_.capacity; }

  // Writes the trailer and closes the file; a failure stops the translation.
  void finish();
  // Writes the trailer and leaves the file to the writer thread, which closes it at the next
  // switch: a failure there shows where the translation next waits for the writer. Without
  // the writer thread, finish().
  void handOver();
  // Flushes and closes without trailer. On failure prints the write error and returns false,
  // without stopping: it runs while a stop is already under way.
  bool closeWithoutTrailer();
  // Waits until the work handed to the writer thread is done. A failure there is reported and
  // stops the translation, unless reported already. Messages wait for this, so that none
  // follows a write, a close or a file creation that has failed.
  void settle();

 private:
  // Bytes of the buffer are handed on to the writer thread this many at a time, so that it
  // need not wait for a whole buffer, at the start of a file above all.
  static constexpr std::size_t kPublishStep = 128 << 10;

  void makeRoom(std::size_t size);
  void publish();
  // Closes the full block and begins the next with room for `size` bytes, or writes the
  // buffer.
  bool flushBuffer(std::size_t size);
  // Closes the last block of the writer thread.
  bool endBlocks();
  bool writeBuffer();
  void reportWriteError();
  [[noreturn]] void failWrite();

  std::unique_ptr<ByteSink> sink_;
  std::string name_;
  Console& console_;
  BackgroundWriter* writer_ = nullptr;
  bool discarding_ = false;
  // Not zeroed: every byte is written before it is used.
  OutputBuffer buffer_;
  std::size_t used_ = 0;
  std::size_t nextPublish_ = SIZE_MAX;
  bool failed_ = false;
  bool reported_ = false;
};

// Reports the failure that stopped `writer`, unless reported already; true when it did. The
// messages are those of the same failure on the translating thread.
bool reportWriterFailure(BackgroundWriter& writer, Console& console);

}  // namespace kestrix
