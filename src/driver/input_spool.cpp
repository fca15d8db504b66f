#include "driver/input_spool.h"

#include <cstdint>
#include <string>

#include "translation/messages.h"
#include "translation/translation.h"

namespace kestrix {
namespace {

class SpooledSource final : public ByteSource {
 public:
  SpooledSource(Translation& t, std::unique_ptr<ByteSource> pipe,
                std::unique_ptr<ScratchFile> spool)
      : t_(t), pipe_(std::move(pipe)), spool_(std::move(spool)) {}

  long read(char* buffer, std::size_t size) override {
    if (position_ < kept_) return readKept(buffer, size);
    // Bytes the pipe gave and the spool lost are gone: every later pass stops here too.
    if (spoolFailed_) failSpool("write");
    if (pipeFailed_) return -1;
    long count = pipe_->read(buffer, size);
    if (count < 0) pipeFailed_ = true;
    if (count <= 0) return count;
    if (!spool_->append(std::string_view(buffer, static_cast<std::size_t>(count)))) {
      spoolFailed_ = true;
      failSpool("write");
    }
    kept_ += static_cast<std::uint64_t>(count);
    position_ = kept_;
    return count;
  }
  bool rewind() override {
    position_ = 0;
    return true;
  }
  bool canRewind() const override { return true; }
  std::optional<FileIdentity> identity() const override { return pipe_->identity(); }

 private:
  long readKept(char* buffer, std::size_t size) {
    std::uint64_t left = kept_ - position_;
    if (left < size) size = static_cast<std::size_t>(left);
    long count = spool_->readAt(position_, buffer, size);
    if (count <= 0) failSpool("read");
    position_ += static_cast<std::uint64_t>(count);
    return count;
  }
  [[noreturn]] void failSpool(const char* action) {
    fail(t_, std::string("Cannot ") + action + " temporary file for input file " +
                 t_.options.inputFile + "!\n");
  }

  Translation& t_;
  std::unique_ptr<ByteSource> pipe_;
  std::unique_ptr<ScratchFile> spool_;
  // Bytes read from the pipe, all kept in the spool, and the place of the next read.
  std::uint64_t kept_ = 0;
  std::uint64_t position_ = 0;
  bool spoolFailed_ = false;
  bool pipeFailed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> keepForRestarts(Translation& t, std::unique_ptr<ByteSource> input) {
  if (input->canRewind()) return input;
  std::unique_ptr<ScratchFile> spool = t.files.openScratch();
  // Without a copy the input is read once: a translation that never restarts needs no more.
  if (spool == nullptr) return input;
  return std::make_unique<SpooledSource>(t, std::move(input), std::move(spool));
}

}  // namespace kestrix
