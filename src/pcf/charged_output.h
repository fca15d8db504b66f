#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "pcf/pcf_file.h"

namespace kestrix {

// The current PCF file and the lines charged to it against the vector budget. Every line that
// counts is written through here, so that a line and its charge cannot part. The file changes
// as the set goes on: this follows whichever file is current.
class ChargedOutput {
 public:
  ChargedOutput(std::unique_ptr<PcfFile>& file, std::int64_t& lines) : file_(file), lines_(lines) {}

  PcfFile& file() const { return *file_; }
  // The lines charged to the current file.
  std::int64_t lines() const { return lines_; }

  // Writes `text`, charged as `count` lines.
  void write(std::string_view text, std::int64_t count) {
    file_->write(text);
    lines_ += count;
  }
  // Lines that `compose` writes into the file in place, charged as `count` lines; a file that
  // drops its bytes (a counting pass) is not handed to `compose` at all.
  template <typename Compose>
  void compose(std::int64_t count, Compose&& composeInto) {
    if (!file_->discarding()) composeInto(*file_);
    lines_ += count;
  }

 private:
  std::unique_ptr<PcfFile>& file_;
  std::int64_t& lines_;
};

}  // namespace kestrix
