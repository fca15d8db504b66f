#include "pcf/pcf_file.h"

#include <algorithm>

#include "driver/fatal.h"

namespace kestrix {

PcfFile::PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console,
                 BackgroundWriter* writer)
    : sink_(std::move(sink)), name_(std::move(name)), console_(console), writer_(writer) {
  if (writer_ != nullptr) {
    buffer_ = writer_->openBlock(*sink_, kBufferSize);
    nextPublish_ = kPublishStep;
  } else {
    buffer_ = {std::make_unique_for_overwrite<char[]>(kBufferSize), kBufferSize};
  }
}

PcfFile::PcfFile(std::string name, Console& console)
    : name_(std::move(name)),
      console_(console),
      buffer_{std::make_unique_for_overwrite<char[]>(kDiscardBufferSize), kDiscardBufferSize} {}

PcfFile::~PcfFile() {
  if (sink_ == nullptr) return;
  // No write may be under way when the sink goes.
  if (!flushAll()) return;
  sink_->close();
}

void PcfFile::makeRoom(std::size_t size) {
  if (!flushBuffer(size)) failWrite();
  if (buffer_.capacity < size) buffer_ = {std::make_unique_for_overwrite<char[]>(size), size};
}

void PcfFile::publish() {
  writer_->publish(used_);
  nextPublish_ = used_ + kPublishStep;
}

bool PcfFile::flushBuffer(std::size_t size) {
  if (failed_) return false;
  if (discarding()) {
    used_ = 0;
    return true;
  }
  if (writer_ == nullptr) return writeBuffer();
  bool written = writer_->closeBlock(std::move(buffer_), used_);
  used_ = 0;
  if (!written) {
    failed_ = true;
    return false;
  }
  buffer_ = writer_->openBlock(*sink_, std::max(size, kBufferSize));
  nextPublish_ = kPublishStep;
  return true;
}

bool PcfFile::writeBuffer() {
  if (failed_) return false;
  if (used_ > 0 && !sink_->write(std::string_view(buffer_.bytes.get(), used_))) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool PcfFile::flushAll() {
  if (writer_ == nullptr) return writeBuffer();
  // The block is closed even after a failure: the writer thread writes no more, and takes the
  // buffer back.
  if (buffer_.bytes != nullptr && !writer_->closeBlock(std::move(buffer_), used_)) failed_ = true;
  used_ = 0;
  if (!writer_->drain()) failed_ = true;
  return !failed_;
}

void PcfFile::settle() {
  if (writer_ == nullptr || failed_) return;
  if (!writer_->drain()) failWrite();
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
  bool written = flushAll();
  bool closed = sink_->close();
  sink_.reset();
  if (!written || !closed) failWrite();
}

bool PcfFile::closeWithoutTrailer() {
  if (sink_ == nullptr) return true;
  bool written = flushAll();
  bool closed = sink_->close();
  sink_.reset();
  if (written && closed) return true;
  reportWriteError();
  return false;
}

}  // namespace kestrix
