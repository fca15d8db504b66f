#include "svf/line_reader.h"

#include <cstring>

namespace kestrix {

void LineReader::attach(ByteSource* source) {
  source_ = source;
  chunkOffset_ = 0;
  position_ = end_ = 0;
  atEnd_ = failed_ = false;
}

bool LineReader::refill() {
  if (atEnd_ || failed_) return false;
  long count = source_->read(chunk_.data(), chunk_.size());
  if (count <= 0) {
    atEnd_ = count == 0;
    failed_ = count < 0;
    return false;
  }
  chunkOffset_ += end_;
  position_ = 0;
  end_ = static_cast<std::size_t>(count);
  return true;
}

bool LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    if (position_ == end_ && !refill()) return !failed_ && !line.empty();
    const char* start = chunk_.data() + position_;
    std::size_t available = end_ - position_;
    const void* newline = std::memchr(start, '\n', available);
    std::size_t taken =
        newline == nullptr
            ? available
            : static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
    line.append(start, taken);
    position_ += taken;
    if (newline != nullptr) return true;
  }
}

bool LineReader::rewind() {
  chunkOffset_ = 0;
  position_ = end_ = 0;
  atEnd_ = failed_ = false;
  return source_->rewind();
}

bool LineReader::seek(std::uint64_t offset) {
  if (!rewind()) return false;
  while (chunkOffset_ + end_ < offset) {
    if (!refill()) return false;
  }
  position_ = static_cast<std::size_t>(offset - chunkOffset_);
  return true;
}

}  // namespace kestrix
