#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "driver/console.h"
#include "driver/io.h"

namespace kestrix {

// One open PCF file. Bytes collect in a large buffer of its own and reach the sink in big
// blocks. A failed write or close prints "Cannot write output file" and stops the translation:
// a silently short file is worse than an error.
class PcfFile {
 public:
  static constexpr std::size_t kBufferSize = 1 << 20;

  PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console);
  // Best effort only: flushes and closes without trailer, reporting nothing.
  ~PcfFile();
  PcfFile(const PcfFile&) = delete;
  PcfFile& operator=(const PcfFile&) = delete;

  const std::string& name() const { return name_; }

  void write(std::string_view text) {
    char* at = reserve(text.size());
    text.copy(at, text.size());
    commit(at + text.size());
  }

  // Room for `size` more bytes; write them at the pointer returned, then commit the end.
  char* reserve(std::size_t size) {
    if (buffer_.size() - used_ < size) makeRoom(size);
    return buffer_.data() + used_;
  }
  void commit(char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }
  // The end of the room that the last reserve made: writers of many lines check against it.
  char* bufferEnd() { return buffer_.data() + buffer_.size(); }

  // Writes the trailer and closes the file; a failure stops the translation.
  void finish();
  // Flushes and closes without trailer. On failure prints the write error and returns false,
  // without stopping: it runs while a stop is already under way.
  bool closeWithoutTrailer();

 private:
  void makeRoom(std::size_t size);
  bool flushBuffer();
  void reportWriteError();
  [[noreturn]] void failWrite();

  std::unique_ptr<ByteSink> sink_;
  std::string name_;
  Console& console_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  bool failed_ = false;
  bool reported_ = false;
};

}  // namespace kestrix
