#include "replay/file_set.h"

#include <memory>

#include "core/file_names.h"

namespace kestrix::replay {
namespace {

constexpr std::size_t kBlock = 1 << 20;

}  // namespace

void SetReader::readNamed(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    std::unique_ptr<ByteSource> source = files_.openRead(name);
    if (source == nullptr) {
      replayer_.fail(Place{name, 0}, "cannot be opened");
      return;
    }
    if (!readFile(name, std::move(source))) return;
  }
}

void SetReader::readNumbered(const std::string& outputFile) {
  const std::string first = pcfFileName(outputFile, 1);
  const std::optional<std::int64_t> firstWritten = files_.modifiedTime(first);
  for (std::int64_t number = 1;; ++number) {
    std::string name = pcfFileName(outputFile, number);
    // kestrix writes the files of a set in order, and leaves those of an earlier translation
    // that made more files: one written before file 1 is not of this set.
    std::optional<std::int64_t> written = files_.modifiedTime(name);
    if (number > 1 && written && firstWritten && *written < *firstWritten) {
      replayer_.fail(Place{name, 0}, "was written before " + first +
                                         ": it is left from an earlier translation that made "
                                         "more files (or the set was copied without its times); "
                                         "remove it, or name the files of the set");
      return;
    }
    std::unique_ptr<ByteSource> source = files_.openRead(name);
    if (source == nullptr) {
      if (number == 1) {
        replayer_.fail(Place{name, 0}, "cannot be opened: no file of the set was found");
        return;
      }
      std::string next = pcfFileName(outputFile, number + 1);
      if (files_.identify(next)) {
        replayer_.fail(Place{name, 0},
                       "is missing from the middle of the set (" + next + " exists)");
      }
      return;
    }
    if (!readFile(name, std::move(source))) return;
  }
}

bool SetReader::readFile(const std::string& name, std::unique_ptr<ByteSource> source) {
  replayer_.beginFile(name);
  std::unique_ptr<char[]> block(new char[kBlock]);
  for (;;) {
    if (stop_()) return false;
    long count = source->read(block.get(), kBlock);
    if (count < 0) {
      replayer_.fail(Place{name, 0}, "cannot be read");
      return false;
    }
    if (count == 0) break;
    if (!replayer_.feed(std::string_view(block.get(), static_cast<std::size_t>(count)))) {
      return false;
    }
  }
  return replayer_.endFile() && !stop_();
}

}  // namespace kestrix::replay
