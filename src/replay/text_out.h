#pragma once

#include <string>
#include <string_view>

#include "core/console.h"

namespace kestrix::replay {

// Text for standard output, handed to the console in large blocks.
class TextOut {
 public:
  explicit TextOut(Console& console) : console_(console) {}
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;
  ~TextOut() { flush(); }

  void append(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= kBlock) flush();
  }
  void flush() {
    if (buffer_.empty()) return;
    console_.print(buffer_);
    buffer_.clear();
  }

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  Console& console_;
  std::string buffer_;
};

}  // namespace kestrix::replay
