#include "pcf/pcf_file.h"

#include <algorithm>

#include "core/fatal.h"
#include "core/vector_format.h"

namespace kestrix {
namespace {

using vector_format::kTrailer;

}  // namespace

PcfFile::PcfFile(std::unique_ptr<ByteSink> sink, std::string name, Console& console)
    : sink_(std::move(sink)),
      name_(std::move(name)),
      console_(console),
      buffer_{std::make_unique_for_overwrite<char[]>(kBufferSize), kBufferSize} {}

PcfFile::PcfFile(std::string name, Console& console, BackgroundWriter& writer)
    : name_(std::move(name)),
      console_(console),
      writer_(&writer),
      buffer_(writer.openBlock(kBufferSize)),
      nextPublish_(kPublishStep) {}

PcfFile::PcfFile(std::string name, Console& console)
    : name_(std::move(name)),
      console_(console),
      discarding_(true),
      buffer_{std::make_unique_for_overwrite<char[]>(kDiscardBufferSize), kDiscardBufferSize} {}

PcfFile::~PcfFile() {
  if (writer_ != nullptr) {
    // A file handed over or closed holds no block; no write may be under way when it goes.
    if (buffer_.bytes != nullptr && endBlocks()) writer_->closeFile();
    return;
  }
  if (sink_ == nullptr || !writeBuffer()) return;
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
  if (!endBlocks()) return false;
  buffer_ = writer_->openBlock(std::max(size, kBufferSize));
  nextPublish_ = kPublishStep;
  return true;
}

bool PcfFile::writeBuffer() {
  if (failed_) return false;
  if (used_ > 0 && !sink_->write(std::string_view(buffer_.bytes.get(), used_))) failed_ = true;
  used_ = 0;
  return !failed_;
}

bool PcfFile::endBlocks() {
  // The block is closed even after a failure: the writer thread writes no more, and takes the
  // buffer back.
  if (buffer_.bytes != nullptr && !writer_->closeBlock(std::move(buffer_), used_)) failed_ = true;
  buffer_ = {};
  used_ = 0;
  return !failed_;
}

void PcfFile::settle() {
  if (writer_ == nullptr || failed_ || writer_->drain()) return;
  failed_ = true;
  // Reported already: the stop is under way.
  if (reportWriterFailure(*writer_, console_)) abortTranslation();
}

void PcfFile::reportWriteError() {
  failed_ = true;
  if (writer_ != nullptr) {
    reportWriterFailure(*writer_, console_);
    return;
  }
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
  write(kTrailer);
  if (writer_ != nullptr) {
    endBlocks();
    if (!writer_->closeFile() || failed_) failWrite();
    return;
  }
  bool written = writeBuffer();
  bool closed = sink_->close();
  sink_.reset();
  if (!written || !closed) failWrite();
}

void PcfFile::handOver() {
  if (writer_ == nullptr) {
    finish();
    return;
  }
  write(kTrailer);
  if (!endBlocks()) failWrite();
}

bool PcfFile::closeWithoutTrailer() {
  if (discarding()) return true;
  bool closed = true;
  if (writer_ != nullptr) {
    endBlocks();
    closed = writer_->closeFile() && !failed_;
  } else if (sink_ != nullptr) {
    bool written = writeBuffer();
    closed = sink_->close() && written;
    sink_.reset();
  }
  if (closed) return true;
  reportWriteError();
  return false;
}

bool reportWriterFailure(BackgroundWriter& writer, Console& console) {
  writer.drain();
  std::optional<WriterFailure> failure = writer.takeFailure();
  if (!failure) return false;
  switch (failure->kind) {
    case WriterFailure::Kind::kWrite:
      console.print("Cannot write output file " + failure->path + "!\n");
      break;
    case WriterFailure::Kind::kOpen:
      console.print("Cannot open output file " + failure->path + "!\n");
      break;
    case WriterFailure::Kind::kOutOfMemory:
      console.printError("Out of memory!\n");
      break;
    case WriterFailure::Kind::kNone:
      break;
  }
  return true;
}

}  // namespace kestrix
