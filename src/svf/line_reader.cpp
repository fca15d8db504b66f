#include "svf/line_reader.h"

#include <cstring>
#include <string_view>

namespace kestrix {

void LineReader::attach(ByteSource* source) {
  source_ = source;
  chunkOffset_ = 0;
  position_ = end_ = 0;
  lineNumber_ = 0;
  atEnd_ = failed_ = false;
  atStart_ = true;
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
  if (atStart_) skipByteOrderMark();
  return true;
}

void LineReader::skipByteOrderMark() {
  constexpr std::string_view kMark = "\xEF\xBB\xBF";
  atStart_ = false;
  // A pipe may give the mark in pieces: read on until it is whole or cannot be one.
  // A UTF-16 mark needs two bytes: a pipe may give one first.
  auto mayBeMark = [&] {
    std::string_view start(chunk_.data(), end_);
    return kMark.starts_with(start) || (end_ < 2 && (start == "\xFF" || start == "\xFE"));
  };
  while (end_ < kMark.size() && mayBeMark()) {
    long count = source_->read(chunk_.data() + end_, chunk_.size() - end_);
    if (count <= 0) {
      atEnd_ = count == 0;
      failed_ = count < 0;
      return;
    }
    end_ += static_cast<std::size_t>(count);
  }
  std::string_view start(chunk_.data(), end_);
  if (start.starts_with(kMark)) position_ = kMark.size();
  utf16_ = start.starts_with("\xFF\xFE") || start.starts_with("\xFE\xFF");
}

bool LineReader::next(std::string& line) {
  line.clear();
  for (;;) {
    if (position_ == end_ && !refill()) {
      // A last line without a line end is a line too.
      if (failed_ || line.empty()) return false;
      ++lineNumber_;
      return true;
    }
    const char* start = chunk_.data() + position_;
    std::size_t available = end_ - position_;
    const void* newline = std::memchr(start, '\n', available);
    std::size_t taken =
        newline == nullptr
            ? available
            : static_cast<std::size_t>(static_cast<const char*>(newline) - start) + 1;
    line.append(start, taken);
    position_ += taken;
    if (newline != nullptr) {
      ++lineNumber_;
      return true;
    }
  }
}

bool LineReader::rewind() {
  chunkOffset_ = 0;
  position_ = end_ = 0;
  lineNumber_ = 0;
  atEnd_ = failed_ = false;
  atStart_ = true;
  return source_->rewind();
}

bool LineReader::seek(std::uint64_t offset, std::uint64_t lineNumber) {
  if (!rewind()) return false;
  while (chunkOffset_ + end_ < offset) {
    if (!refill()) return false;
  }
  position_ = static_cast<std::size_t>(offset - chunkOffset_);
  lineNumber_ = lineNumber;
  return true;
}

}  // namespace kestrix
