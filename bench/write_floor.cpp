// The write floor of a translation: what writing its files alone costs. Makes a fresh folder
// and writes into it the files <stem>1.pcf, <stem>2.pcf, ... with the sizes given, each from
// one buffer held in memory, 1 MiB per write, as the translator's writer thread hands its
// buffers to the kernel.
//
//   kestrix_write_floor <folder> <stem> <size>...
//
// The folder must not exist yet. Exit status 0 when every byte was written, 1 otherwise.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kWriteSize = std::size_t{1} << 20;

bool writeAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    ssize_t written = ::write(fd, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool writeFile(const std::string& path, unsigned long long size, const std::vector<char>& buffer) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = true;
  while (ok && size > 0) {
    std::size_t part = size < kWriteSize ? static_cast<std::size_t>(size) : kWriteSize;
    ok = writeAll(fd, buffer.data(), part);
    size -= part;
  }
  return ::close(fd) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kestrix_write_floor <folder> <stem> <size>...\n");
    return 2;
  }
  const std::string folder = argv[1];
  if (::mkdir(folder.c_str(), 0755) != 0) {
    std::fprintf(stderr, "cannot make the folder %s: %s\n", folder.c_str(), std::strerror(errno));
    return 1;
  }
  // Vector lines, so that the bytes look like the files they stand for.
  std::vector<char> buffer(kWriteSize);
  static const char kLines[] = "\"00ZX\" \n\"10ZX\" \n";
  for (std::size_t at = 0; at < buffer.size(); ++at) buffer[at] = kLines[at % (sizeof kLines - 1)];
  for (int i = 3; i < argc; ++i) {
    std::string path = folder + "/" + argv[2] + std::to_string(i - 2) + ".pcf";
    if (!writeFile(path, std::strtoull(argv[i], nullptr, 10), buffer)) {
      std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), std::strerror(errno));
      return 1;
    }
  }
  return 0;
}
