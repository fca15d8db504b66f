#include "core/io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace kestrix {
namespace {

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

FileIdentity identityOf(const struct stat& status) {
  return {static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino)};
}

class FileSource final : public ByteSource {
 public:
  explicit FileSource(std::FILE* file)
      : file_(file), seekable_(std::fseek(file, 0, SEEK_SET) == 0) {}
  ~FileSource() override { std::fclose(file_); }
  long read(char* buffer, std::size_t size) override {
    std::size_t count = std::fread(buffer, 1, size, file_);
    if (count == 0 && std::ferror(file_)) return -1;
    return static_cast<long>(count);
  }
  bool rewind() override {
    std::clearerr(file_);
    return std::fseek(file_, 0, SEEK_SET) == 0;
  }
  bool canRewind() const override { return seekable_; }
  std::optional<FileIdentity> identity() const override {
    struct stat status;
    if (::fstat(fileno(file_), &status) != 0) return std::nullopt;
    return identityOf(status);
  }

 private:
  std::FILE* file_;
  bool seekable_;
};

// A file with no name left: it is unlinked as soon as it is made, so it goes with the process.
class TemporaryFile final : public ScratchFile {
 public:
  explicit TemporaryFile(int descriptor) : descriptor_(descriptor) {}
  ~TemporaryFile() override { ::close(descriptor_); }
  bool append(std::string_view bytes) override {
    while (!bytes.empty()) {
      ssize_t count = ::pwrite(descriptor_, bytes.data(), bytes.size(), size_);
      if (count < 0 && errno == EINTR) continue;
      if (count <= 0) return false;
      size_ += static_cast<off_t>(count);
      bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
  }
  long readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t count = ::pread(descriptor_, buffer, size, static_cast<off_t>(offset));
      if (count >= 0 || errno != EINTR) return static_cast<long>(count);
    }
  }

 private:
  int descriptor_;
  off_t size_ = 0;
};

class FileSink final : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  ~FileSink() override {
    if (file_ != nullptr) std::fclose(file_);
  }
  bool write(std::string_view bytes) override {
    return file_ != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size();
  }
  bool close() override {
    if (file_ == nullptr) return false;
    bool flushed = std::fflush(file_) == 0;
    bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
  }

 private:
  std::FILE* file_;
};

// A memory file; as a pipe it can be read only once, `chunk` bytes at a time.
class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::string& contents, bool failing, bool pipe, std::size_t chunk,
               FileIdentity identity)
      : contents_(contents), failing_(failing), pipe_(pipe), chunk_(chunk), identity_(identity) {}
  long read(char* buffer, std::size_t size) override {
    if (failing_) return -1;
    std::size_t count = contents_.copy(buffer, std::min(size, chunk_), position_);
    position_ += count;
    return static_cast<long>(count);
  }
  bool rewind() override {
    if (pipe_) return false;
    position_ = 0;
    return true;
  }
  bool canRewind() const override { return !pipe_; }
  std::optional<FileIdentity> identity() const override { return identity_; }

 private:
  const std::string& contents_;
  bool failing_;
  bool pipe_;
  std::size_t chunk_;
  FileIdentity identity_;
  std::size_t position_ = 0;
};

// Fails the one append that would take it past `limit` bytes, as a disk that is full for a
// moment does; later appends find room again.
class MemoryScratch final : public ScratchFile {
 public:
  explicit MemoryScratch(std::size_t limit) : limit_(limit) {}
  bool append(std::string_view bytes) override {
    if (contents_.size() + bytes.size() > limit_ && !failed_) {
      failed_ = true;
      return false;
    }
    contents_.append(bytes);
    return true;
  }
  long readAt(std::uint64_t offset, char* buffer, std::size_t size) override {
    if (offset >= contents_.size()) return 0;
    return static_cast<long>(contents_.copy(buffer, size, static_cast<std::size_t>(offset)));
  }

 private:
  std::size_t limit_;
  bool failed_ = false;
  std::string contents_;
};

class MemorySink final : public ByteSink {
 public:
  MemorySink(std::string& contents, bool limited, std::size_t limit, MemoryFileSystem& files,
             std::mutex& mutex)
      : contents_(contents), limited_(limited), limit_(limit), files_(files), mutex_(mutex) {}
  bool write(std::string_view bytes) override {
    std::lock_guard<std::mutex> lock(mutex_);
    std::size_t room = files_.writeLimit - std::min(files_.written, files_.writeLimit);
    if (limited_) room = std::min(room, limit_ - std::min(contents_.size(), limit_));
    bool fits = bytes.size() <= room;
    if (!fits) bytes = bytes.substr(0, room);
    contents_.append(bytes);
    files_.written += bytes.size();
    return fits;
  }
  bool close() override { return true; }

 private:
  std::string& contents_;
  bool limited_;
  std::size_t limit_;
  MemoryFileSystem& files_;
  std::mutex& mutex_;
};

}  // namespace

std::unique_ptr<ByteSource> RealFileSystem::openRead(const std::string& path) {
  if (isDirectory(path)) return nullptr;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  return std::make_unique<FileSource>(file);
}

std::unique_ptr<ByteSink> RealFileSystem::openWrite(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return nullptr;
  // The PCF writer keeps its own large buffer; stdio's would only copy the bytes twice.
  std::setvbuf(file, nullptr, _IONBF, 0);
  return std::make_unique<FileSink>(file);
}

RealFileSystem::~RealFileSystem() {
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
}

// flock: the lock goes with the descriptor, so with the process, and no lock file is made.
// Opened without blocking (a FIFO must not wait for a writer); only regular files are locked.
bool RealFileSystem::lockExclusive(const std::string& path) {
  int descriptor = ::open(path.c_str(), O_RDONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (descriptor < 0) return true;
  struct stat status;
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return true;
  }
  int result;
  do {
    result = ::flock(descriptor, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0 && errno == EWOULDBLOCK) {
    ::close(descriptor);
    return false;
  }
  if (lockDescriptor_ >= 0) ::close(lockDescriptor_);
  lockDescriptor_ = descriptor;
  return true;
}

std::optional<FileIdentity> RealFileSystem::identify(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return identityOf(status);
}

std::optional<std::int64_t> RealFileSystem::modifiedTime(const std::string& path) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0) return std::nullopt;
  return std::int64_t{status.st_mtim.tv_sec} * 1000000000 + status.st_mtim.tv_nsec;
}

std::unique_ptr<ScratchFile> RealFileSystem::openScratch() {
  const char* directory = std::getenv("TMPDIR");
  std::string name = directory != nullptr && *directory != '\0' ? directory : "/tmp";
  name += "/kestrix-XXXXXX";
  int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return nullptr;
  ::unlink(name.c_str());
  return std::make_unique<TemporaryFile>(descriptor);
}

std::string MemoryFileSystem::resolve(const std::string& path) const {
  std::string name = path;
  // As many steps as there are links: a loop of links ends somewhere in it.
  for (std::size_t step = 0; step < links.size(); ++step) {
    auto link = links.find(name);
    if (link == links.end()) break;
    name = link->second;
  }
  return name;
}

std::unique_ptr<ByteSource> MemoryFileSystem::openRead(const std::string& path) {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  std::string name = resolve(path);
  auto found = files.find(name);
  if (found == files.end()) return nullptr;
  bool pipe = pipes.count(path) != 0;
  return std::make_unique<MemorySource>(found->second, unreadable.count(name) != 0, pipe,
                                        pipe ? pipeChunk : std::numeric_limits<std::size_t>::max(),
                                        *identifyLocked(name));
}

std::unique_ptr<ByteSink> MemoryFileSystem::openWrite(const std::string& path) {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  std::string name = resolve(path);
  if (unwritable.count(name) != 0) return nullptr;
  ++openings[name];
  std::string& contents = files[name];
  contents.clear();
  return std::make_unique<MemorySink>(contents, full.count(name) != 0, fullAfter, *this,
                                      lock_.mutex);
}

std::optional<FileIdentity> MemoryFileSystem::identify(const std::string& path) {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  return identifyLocked(path);
}

std::optional<FileIdentity> MemoryFileSystem::identifyLocked(const std::string& path) {
  std::string name = resolve(path);
  if (files.count(name) == 0) return std::nullopt;
  std::uint64_t inode = inodes_.try_emplace(name, inodes_.size() + 1).first->second;
  return FileIdentity{1, inode};
}

std::optional<std::int64_t> MemoryFileSystem::modifiedTime(const std::string& path) {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  auto found = modified.find(resolve(path));
  if (found == modified.end()) return std::nullopt;
  return found->second;
}

bool MemoryFileSystem::lockExclusive(const std::string& path) {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  std::string name = resolve(path);
  if (lockedElsewhere.count(name) != 0) return false;
  locked.insert(name);
  return true;
}

std::unique_ptr<ScratchFile> MemoryFileSystem::openScratch() {
  std::lock_guard<std::mutex> lock(lock_.mutex);
  if (noScratch) return nullptr;
  ++scratchFiles;
  return std::make_unique<MemoryScratch>(scratchLimit);
}

}  // namespace kestrix
