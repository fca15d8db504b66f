#include "pcf/background_writer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <new>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace kestrix {
namespace {

// A sink that keeps what it is given and fails from its `failAt`-th write on, or at its close.
class CountingSink final : public ByteSink {
 public:
  explicit CountingSink(int failAt, bool closeFails = false)
      : failAt_(failAt), closeFails_(closeFails) {}
  bool write(std::string_view bytes) override {
    if (++writes >= failAt_) return false;
    contents.append(bytes);
    return true;
  }
  bool close() override {
    ++closes;
    return !closeFails_;
  }
  std::string contents;
  int writes = 0;
  int closes = 0;

 private:
  int failAt_;
  bool closeFails_;
};

// Files whose sinks are the test's own; a name without a sink cannot be created, and
// `exhausted` runs out of memory when it is.
class SinkFiles final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string&) override { return nullptr; }
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override {
    if (path == exhausted) throw std::bad_alloc();
    created.push_back(path);
    auto sink = sinks.find(path);
    if (sink == sinks.end()) return nullptr;
    return std::make_unique<Forward>(*sink->second);
  }
  std::optional<FileIdentity> identify(const std::string&) override { return std::nullopt; }
  std::unique_ptr<ScratchFile> openScratch() override { return nullptr; }
  std::map<std::string, CountingSink*> sinks;
  std::string exhausted;
  std::vector<std::string> created;

 private:
  class Forward final : public ByteSink {
   public:
    explicit Forward(CountingSink& sink) : sink_(sink) {}
    bool write(std::string_view bytes) override { return sink_.write(bytes); }
    bool close() override { return sink_.close(); }

   private:
    CountingSink& sink_;
  };
};

// Blocks reach the sink in order, what is published of an open block early; never more than
// kBuffers buffers exist; after a failed write nothing more is written, and the failure shows
// once its block is closed, not before.
TEST(BackgroundWriter, WritesInOrderWithFewBuffersAndStopsAtAFailure) {
  for (int failAt : {100000, 40}) {
    SCOPED_TRACE(failAt);
    BackgroundWriter writer;
    CountingSink sink(failAt);
    SinkFiles files;
    files.sinks["a"] = &sink;
    writer.switchFile({&files, "a"});
    std::set<const char*> seen;
    std::string written;
    bool failureShown = false;
    for (int block = 0; block < 100 && !failureShown; ++block) {
      OutputBuffer buffer = writer.openBlock(64);
      seen.insert(buffer.bytes.get());
      std::string text = "<";
      text += std::to_string(block) + ">";
      text.copy(buffer.bytes.get(), text.size());
      writer.publish(2);
      std::string more = std::to_string(block) + ";";
      more.copy(buffer.bytes.get() + text.size(), more.size());
      written += text + more;
      failureShown = !writer.closeBlock(std::move(buffer), text.size() + more.size());
    }
    // The sink is read once the thread is done with it.
    const bool drained = writer.drain();
    const bool failed = sink.writes >= failAt;
    EXPECT_EQ(failed, failAt == 40);
    EXPECT_EQ(drained, !failed);
    // Every write before the failed one reached the sink, and none after it was tried.
    EXPECT_EQ(written.compare(0, sink.contents.size(), sink.contents), 0);
    if (failed) {
      EXPECT_EQ(sink.writes, failAt);
    } else {
      EXPECT_EQ(sink.contents, written);
    }
    EXPECT_LE(seen.size(), BackgroundWriter::kBuffers);
  }
}

// Files a, b and c, one block each: the blocks go to the file made last; a failure stops the
// writer at once, and nothing is made or written after it. It is taken once.
TEST(BackgroundWriter, SwitchesFilesInOrderAndStopsAtTheFirstFailure) {
  using Kind = WriterFailure::Kind;
  struct Case {
    const char* name;
    int failAt;  // the write of file a that fails
    bool closeFails;
    std::string missing, exhausted;  // files that cannot be made, or run out of memory
    Kind kind;
    std::string path;
    std::vector<std::string> created;
  } const cases[] = {
      {"no failure", 100, false, "", "", Kind::kNone, "", {"a", "b", "c"}},
      {"a write fails", 1, false, "", "", Kind::kWrite, "a", {"a"}},
      {"a close fails", 100, true, "", "", Kind::kWrite, "a", {"a"}},
      {"b cannot be made", 100, false, "b", "", Kind::kOpen, "b", {"a", "b"}},
      {"no memory to make b", 100, false, "", "b", Kind::kOutOfMemory, "b", {"a"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CountingSink a(c.failAt, c.closeFails), b(100), others(100);
    SinkFiles files;
    files.sinks = {{"a", &a}, {"b", &b}, {"c", &others}};
    if (!c.missing.empty()) files.sinks.erase(c.missing);
    files.exhausted = c.exhausted;
    std::optional<WriterFailure> failure;
    {
      BackgroundWriter writer;
      for (const char* name : {"a", "b", "c"}) {
        writer.switchFile({&files, name});
        OutputBuffer buffer = writer.openBlock(8);
        buffer.bytes[0] = name[0];
        writer.closeBlock(std::move(buffer), 1);
      }
      EXPECT_EQ(writer.closeFile(), c.kind == Kind::kNone);
      failure = writer.takeFailure();
      EXPECT_FALSE(writer.takeFailure().has_value());
    }
    EXPECT_EQ(failure.has_value(), c.kind != Kind::kNone);
    if (failure) {
      EXPECT_EQ(failure->kind, c.kind);
      EXPECT_EQ(failure->path, c.path);
    }
    EXPECT_EQ(files.created, c.created);
    EXPECT_EQ(a.contents, c.failAt == 1 ? "" : "a");
    EXPECT_EQ(b.contents, c.kind == Kind::kNone ? "b" : "");
    EXPECT_EQ(a.closes, 1);
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
