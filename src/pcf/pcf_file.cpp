#include "pcf/pcf_file.h"

#include "driver/fatal.h"

namespace kestrix {

PcfFile::PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console)
    : sink_(std::move(sink)),
      name_(std::move(name)),
      console_(console),
      buffer_(new char[kBufferSize]),
      capacity_(kBufferSize) {}

PcfFile::PcfFile(std::string name, Console& console)
    : name_(std::move(name)),
      console_(console),
      buffer_(new char[kDiscardBufferSize]),
      capacity_(kDiscardBufferSize) {}

PcfFile::~PcfFile() {
  if (sink_ != nullptr && !failed_) {
    flushBuffer();
    sink_->close();
  }
}

void PcfFile::makeRoom(std::size_t size) {
  if (!flushBuffer()) failWrite();
  if (capacity_ < size) {
    buffer_.reset(new char[size]);
    capacity_ = size;
  }
}

bool PcfFile::flushBuffer() {
  if (failed_) return false;
  if (discarding()) {
    used_ = 0;
    return true;
  }
  if (used_ > 0 && !sink_->write(std::string_view(buffer_.get(), used_))) {
    failed_ = true;
    return false;
  }
  used_ = 0;
  return true;
}

void PcfFile::reportWriteError() {
  failed_ = true;
  if (reported_) return;
  reported_ = true;
  console_.print("Cannot write output file " + name_ + "!\n");
}

void PcfFile::failWrite() {
  reportWriteError();
  abortTranslation();
}

void PcfFile::finish() {
  if (discarding()) return;
  write("end pcf\nend unit\n");
  bool written = flushBuffer();
  bool closed = sink_->close();
  sink_.reset();
  if (!written || !closed) failWrite();
}

bool PcfFile::closeWithoutTrailer() {
  if (sink_ == nullptr) return true;
  bool written = flushBuffer();
  bool closed = sink_->close();
  sink_.reset();
  if (written && closed) return true;
  reportWriteError();
  return false;
}

}  // namespace kestrix
