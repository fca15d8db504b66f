#pragma once

#include <cstddef>
#include <limits>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>

namespace kestrix {

// A readable byte stream that can start again from its beginning (the SVF input).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes: the count read, 0 at the end of the input, -1 on a read error.
  virtual long read(char* buffer, std::size_t size) = 0;
  virtual bool rewind() = 0;
  // False for a stream that can be read only once (a pipe).
  virtual bool canRewind() const = 0;
};

// A writable byte stream (one PCF file). Every failure is reported, never hidden.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // False unless every byte was written.
  virtual bool write(std::string_view bytes) = 0;
  // False when the bytes could not be made durable or the close failed.
  virtual bool close() = 0;
};

// The files a translation reads and writes, so that tests can keep them in memory.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Null when the file cannot be opened for reading (missing, a directory, no permission).
  virtual std::unique_ptr<ByteSource> openRead(const std::string& path) = 0;
  // Null when the file cannot be created or truncated.
  virtual std::unique_ptr<ByteSink> openWrite(const std::string& path) = 0;
  // The whole contents of a file; false when it cannot be opened or read.
  virtual bool readFile(const std::string& path, std::string& contents) = 0;
};

// The real files of the machine.
class RealFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string& path) override;
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override;
  bool readFile(const std::string& path, std::string& contents) override;
};

// Files held in a map from name to contents. Names in `unreadable` open but fail to read;
// names in `unwritable` cannot be created; names in `full` accept `fullAfter` bytes, then fail.
// All files together accept `writeLimit` bytes (counted in `written`), then every write fails.
class MemoryFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string& path) override;
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override;
  bool readFile(const std::string& path, std::string& contents) override;

  std::map<std::string, std::string> files;
  std::set<std::string> unreadable;
  std::set<std::string> unwritable;
  std::set<std::string> full;
  std::size_t fullAfter = 0;
  std::size_t writeLimit = std::numeric_limits<std::size_t>::max();
  std::size_t written = 0;
  // Counts every opening for writing, so tests can see files rewritten.
  std::map<std::string, int> openings;
};

}  // namespace kestrix
