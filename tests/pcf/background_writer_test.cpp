#include "pcf/background_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "test_support.h"

namespace kestrix {
namespace {

// A sink that keeps what it is given and fails from its `failAt`-th write on.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(int failAt) : failAt_(failAt) {}
  bool write(std::string_view bytes) override {
    if (++writes >= failAt_) return false;
    contents.append(bytes);
    return true;
  }
  bool close() override { return true; }
  std::string contents;
  int writes = 0;

 private:
  int failAt_;
};

// Buffers reach the sink whole and in order, never more than kBuffers of them exist, and
// after a failed write the queued ones are dropped and the failure is told once.
TEST(BackgroundWriter, WritesInOrderWithFewBuffersAndDropsWhatFollowsAFailure) {
  for (int failAt : {1000, 40}) {
    SCOPED_TRACE(failAt);
    BackgroundWriter writer;
    CountingSink sink(failAt);
    std::set<const char*> seen;
    std::string expected;
    bool failureSeen = false;
    OutputBuffer buffer = writer.take(64);
    for (int i = 0; i < 200 && !failureSeen; ++i) {
      seen.insert(buffer.bytes.get());
      std::string text = std::to_string(i) + ";";
      text.copy(buffer.bytes.get(), text.size());
      if (i + 1 < failAt) expected += text;
      failureSeen = !writer.hand(sink, buffer, text.size());
    }
    // A failure is told once: hand() that told it has drained.
    EXPECT_TRUE(writer.drain());
    EXPECT_EQ(failureSeen, failAt < 200);
    EXPECT_EQ(sink.contents, expected);
    // The failed write was the last one made: the rest were dropped.
    EXPECT_EQ(sink.writes, failureSeen ? failAt : 200);
    EXPECT_LE(seen.size(), BackgroundWriter::kBuffers);
    writer.give(std::move(buffer));
  }
}

// Memory files whose writes take a while, so that the translation runs ahead of them.
class SlowFiles final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string& path) override {
    return memory.openRead(path);
  }
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override {
    auto sink = memory.openWrite(path);
    return sink == nullptr ? nullptr : std::make_unique<SlowSink>(std::move(sink));
  }
  std::optional<FileIdentity> identify(const std::string& path) override {
    return memory.identify(path);
  }
  std::unique_ptr<ScratchFile> openScratch() override { return memory.openScratch(); }
  MemoryFileSystem memory;

 private:
  class SlowSink final : public ByteSink {
   public:
    explicit SlowSink(std::unique_ptr<ByteSink> sink) : sink_(std::move(sink)) {}
    bool write(std::string_view bytes) override {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      return sink_->write(bytes);
    }
    bool close() override { return sink_->close(); }

   private:
    std::unique_ptr<ByteSink> sink_;
  };
};

// Output of many buffers fails early in file 1; a statement after that would print a message
// and begin file 2. Neither may happen: the run ends with the write error, as it does when
// every buffer is written at once.
TEST(BackgroundWriter, WriteErrorComesBeforeLaterMessagesAndFiles) {
  // 3.2 MB of lines, then a message, then enough for file 2 (and no restart).
  std::string svf = "SDR 200000 TDI (0);\nUNKNOWN 1;\n";
  for (int i = 0; i < 10; ++i) svf += "SDR 2000 TDI (1);\n";
  for (std::size_t fullAfter : {std::size_t{100}, std::size_t{5} << 19}) {
    SCOPED_TRACE(fullAfter);
    SlowFiles files;
    files.memory.files["in.svf"] = svf;
    files.memory.files["head.txt"] = "";
    files.memory.full = {"out1.pcf"};
    files.memory.fullAfter = fullAfter;
    MemoryConsole console;
    runTranslation({"kestrix", "in.svf", "head.txt", "out"}, console, files);
    EXPECT_EQ(console.out, "Cannot write output file out1.pcf!\n");
    EXPECT_EQ(files.memory.files["out1.pcf"].size(), fullAfter);
    EXPECT_EQ(files.memory.files.count("out2.pcf"), 0u);
  }
}

}  // namespace
}  // namespace kestrix
