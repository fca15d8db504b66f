#include "pcf/pcf_file.h"

#include "driver/fatal.h"

namespace kestrix {

PcfFile::PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console,
                 BackgroundWriter* writer)
    : sink_(std::move(sink)), name_(std::move(name)), console_(console), writer_(writer) {
  buffer_ = writer_ != nullptr
                ? writer_->take(kBufferSize)
                : OutputBuffer{std::make_unique_for_overwrite<char[]>(kBufferSize), kBufferSize};
}

PcfFile::PcfFile(std::string name, Console& console)
    : name_(std::move(name)),
      console_(console),
      buffer_{std::make_unique_for_overwrite<char[]>(kDiscardBufferSize), kDiscardBufferSize} {}

PcfFile::~PcfFile() {
  if (sink_ != nullptr) {
    // No write may be under way when the sink goes.
    if (writer_ != nullptr && !writer_->drain()) failed_ = true;
    if (!failed_) {
      writeBuffer();
      sink_->close();
    }
  }
  if (writer_ != nullptr) writer_->give(std::move(buffer_));
}

void PcfFile::makeRoom(std::size_t size) {
  if (!flushBuffer()) failWrite();
  if (buffer_.capacity < size) buffer_ = {std::make_unique_for_overwrite<char[]>(size), size};
}

bool PcfFile::flushBuffer() {
  if (failed_) return false;
  if (discarding()) {
    used_ = 0;
    return true;
  }
  if (writer_ == nullptr) return writeBuffer();
  std::size_t size = used_;
  used_ = 0;
  if (size > 0 && !writer_->hand(*sink_, buffer_, size)) failed_ = true;
  return !failed_;
}

bool PcfFile::writeBuffer() {
  if (failed_) return false;
  if (used_ > 0 && !sink_->write(std::string_view(buffer_.bytes.get(), used_))) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool PcfFile::flushAll() {
  if (writer_ != nullptr && !writer_->drain()) failed_ = true;
  return writeBuffer();
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
