#include "driver/io.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kestrix {
namespace {

bool isDirectory(const std::string& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
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

 private:
  std::FILE* file_;
  bool seekable_;
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

class MemorySource final : public ByteSource {
 public:
  MemorySource(const std::string& contents, bool failing)
      : contents_(contents), failing_(failing) {}
  long read(char* buffer, std::size_t size) override {
    if (failing_) return -1;
    std::size_t count = contents_.copy(buffer, size, position_);
    position_ += count;
    return static_cast<long>(count);
  }
  bool rewind() override {
    position_ = 0;
    return true;
  }
  bool canRewind() const override { return true; }

 private:
  const std::string& contents_;
  bool failing_;
  std::size_t position_ = 0;
};

class MemorySink final : public ByteSink {
 public:
  MemorySink(std::string& contents, bool limited, std::size_t limit, MemoryFileSystem& files)
      : contents_(contents), limited_(limited), limit_(limit), files_(files) {}
  bool write(std::string_view bytes) override {
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

bool RealFileSystem::readFile(const std::string& path, std::string& contents) {
  contents.clear();
  std::unique_ptr<ByteSource> source = openRead(path);
  if (source == nullptr) return false;
  char chunk[1 << 16];
  for (;;) {
    long count = source->read(chunk, sizeof chunk);
    if (count < 0) return false;
    if (count == 0) return true;
    contents.append(chunk, static_cast<std::size_t>(count));
  }
}

std::unique_ptr<ByteSource> MemoryFileSystem::openRead(const std::string& path) {
  auto found = files.find(path);
  if (found == files.end()) return nullptr;
  return std::make_unique<MemorySource>(found->second, unreadable.count(path) != 0);
}

std::unique_ptr<ByteSink> MemoryFileSystem::openWrite(const std::string& path) {
  if (unwritable.count(path) != 0) return nullptr;
  ++openings[path];
  std::string& contents = files[path];
  contents.clear();
  return std::make_unique<MemorySink>(contents, full.count(path) != 0, fullAfter, *this);
}

bool MemoryFileSystem::readFile(const std::string& path, std::string& contents) {
  auto found = files.find(path);
  if (found == files.end() || unreadable.count(path) != 0) return false;
  contents = found->second;
  return true;
}

}  // namespace kestrix
