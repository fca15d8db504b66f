#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace kestrix {

// Which file a name or an open stream is: two equal identities are one file, whatever names
// (hard links, symbolic links, /dev/stdin) lead to it.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// A readable byte stream that can start again from its beginning (the SVF input).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads up to `size` bytes: the count read, 0 at the end of the input, -1 on a read error.
  virtual long read(char* buffer, std::size_t size) = 0;
  virtual bool rewind() = 0;
  // False for a stream that can be read only once (a pipe).
  virtual bool canRewind() const = 0;
  // The file this stream reads, when it can be told.
  virtual std::optional<FileIdentity> identity() const = 0;
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

// Storage that only this run sees and that goes with it: bytes are appended at the end and
// read back from any place.
class ScratchFile {
 public:
  virtual ~ScratchFile() = default;
  // False unless every byte was stored.
  virtual bool append(std::string_view bytes) = 0;
  // Reads up to `size` bytes from `offset`: the count read, 0 past the end, -1 on an error.
  virtual long readAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// The files a translation reads and writes, so that tests can keep them in memory.
class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Null when the file cannot be opened for reading (missing, a directory, no permission).
  virtual std::unique_ptr<ByteSource> openRead(const std::string& path) = 0;
  // Null when the file cannot be created or truncated.
  virtual std::unique_ptr<ByteSink> openWrite(const std::string& path) = 0;
  // The file that `path` names, links followed; none when nothing is there.
  virtual std::optional<FileIdentity> identify(const std::string& path) = 0;
  // A nameless temporary file; null when none can be made.
  virtual std::unique_ptr<ScratchFile> openScratch() = 0;
  // Holds an exclusive lock on the file `path` names, for as long as this object lives (and
  // the process: a killed run leaves none): false when another translation holds it. The file
  // is made empty when missing, never truncated; where no lock can be taken, true.
  virtual bool lockExclusive(const std::string& path) {
    static_cast<void>(path);
    return true;
  }
  // When the file that `path` names was last written, in nanoseconds since some fixed time;
  // none when that cannot be told.
  virtual std::optional<std::int64_t> modifiedTime(const std::string& path) {
    static_cast<void>(path);
    return std::nullopt;
  }
};

// The real files of the machine. Scratch files are made in $TMPDIR, else in /tmp.
class RealFileSystem final : public FileSystem {
 public:
  RealFileSystem() = default;
  RealFileSystem(const RealFileSystem&) = delete;
  RealFileSystem& operator=(const RealFileSystem&) = delete;
  ~RealFileSystem() override;
  bool lockExclusive(const std::string& path) override;
  std::unique_ptr<ByteSource> openRead(const std::string& path) override;
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override;
  std::optional<FileIdentity> identify(const std::string& path) override;
  std::unique_ptr<ScratchFile> openScratch() override;
  std::optional<std::int64_t> modifiedTime(const std::string& path) override;

 private:
  int lockDescriptor_ = -1;
};

// Files held in a map from name to contents. Names in `unreadable` open but fail to read;
// names in `unwritable` cannot be created; names in `full` accept `fullAfter` bytes, then fail.
// All files together accept `writeLimit` bytes (counted in `written`), then every write fails.
// Names in `links` are further names of the file they map to (as hard or symbolic links are).
// Names in `pipes` open as streams that can be read only once, `pipeChunk` bytes at a time.
// Scratch files (counted in `scratchFiles`) cannot be made when `noScratch` is set; the one
// append that would take a scratch file past `scratchLimit` bytes fails. The PCF writer thread
// creates and writes files while the translation reads others and checks names: the calls
// and the writes of sinks hold a lock; the fields are for a test to set up and read back
// while no translation runs.
class MemoryFileSystem final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string& path) override;
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override;
  std::optional<FileIdentity> identify(const std::string& path) override;
  std::unique_ptr<ScratchFile> openScratch() override;
  std::optional<std::int64_t> modifiedTime(const std::string& path) override;
  bool lockExclusive(const std::string& path) override;

  std::map<std::string, std::string> files;
  // Names another translation holds the lock on; `locked` the ones this one took.
  std::set<std::string> lockedElsewhere;
  std::set<std::string> locked;
  // When files were last written, for the names given here.
  std::map<std::string, std::int64_t> modified;
  std::set<std::string> unreadable;
  std::set<std::string> unwritable;
  std::set<std::string> full;
  std::size_t fullAfter = 0;
  std::size_t writeLimit = std::numeric_limits<std::size_t>::max();
  std::size_t written = 0;
  // Counts every opening for writing, so tests can see files rewritten.
  std::map<std::string, int> openings;
  std::map<std::string, std::string> links;
  std::set<std::string> pipes;
  std::size_t pipeChunk = std::numeric_limits<std::size_t>::max();
  bool noScratch = false;
  std::size_t scratchLimit = std::numeric_limits<std::size_t>::max();
  int scratchFiles = 0;

 private:
  // The name that holds the contents: `path` with its links followed.
  std::string resolve(const std::string& path) const;
  std::optional<FileIdentity> identifyLocked(const std::string& path);
  std::map<std::string, std::uint64_t> inodes_;
  // A copy of the files (a test's) gets a lock of its own.
  struct Lock {
    Lock() = default;
    Lock(const Lock&) {}
    Lock& operator=(const Lock&) { return *this; }
    std::mutex mutex;
  };
  Lock lock_;
};

}  // namespace kestrix
