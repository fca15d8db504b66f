// A new PCF file is made on the writer thread while the translation goes on: every failure
// there must end the run with the console, files and status of a switch made on the spot.
#include <gtest/gtest.h>

#include <chrono>
#include <new>
#include <set>
#include <string_view>
#include <thread>

#include "test_support.h"

namespace kestrix {
namespace {

// Memory files that can also fail to close or run out of memory when one is created, and
// whose creations can take a while, so that the translation runs ahead of the writer.
class StagedFiles final : public FileSystem {
 public:
  std::unique_ptr<ByteSource> openRead(const std::string& path) override {
    return memory.openRead(path);
  }
  std::unique_ptr<ByteSink> openWrite(const std::string& path) override {
    if (slow) std::this_thread::sleep_for(std::chrono::milliseconds(30));
    if (exhausted.count(path) != 0) throw std::bad_alloc();
    auto sink = memory.openWrite(path);
    if (sink == nullptr || closeFails.count(path) == 0) return sink;
    return std::make_unique<FailingClose>(std::move(sink));
  }
  std::optional<FileIdentity> identify(const std::string& path) override {
    return memory.identify(path);
  }
  std::unique_ptr<ScratchFile> openScratch() override { return memory.openScratch(); }
  MemoryFileSystem memory;
  std::set<std::string> closeFails;
  std::set<std::string> exhausted;
  bool slow = false;

 private:
  class FailingClose final : public ByteSink {
   public:
    explicit FailingClose(std::unique_ptr<ByteSink> sink) : sink_(std::move(sink)) {}
    bool write(std::string_view bytes) override { return sink_->write(bytes); }
    bool close() override {
      sink_->close();
      return false;
    }

   private:
    std::unique_ptr<ByteSink> sink_;
  };
};

std::string scans(int count) {
  std::string svf;
  for (int i = 0; i < count; ++i) svf += "SDR 2000 TDI (1);\n";
  return svf;
}

const std::string kBudget = "Maximum vectors recieved are: 30000\n";
// The sizes of the files: the head, and file 1 and every other one whole.
const std::size_t kHeadSize = std::string_view(testing::kHead).size();
const std::size_t kFile1 = 64530;
const std::size_t kFile = 64434;

enum class Fault { kNone, kCannotMake, kFillsUp, kCannotClose, kNoMemory };

struct SwitchCase {
  const char* name;
  // Two scans fill a file: scans 1 and 2 go to out1.pcf, 3 and 4 to out2.pcf ...
  std::string svf;
  // What goes wrong with which file; a file that fills up takes `fullAfter` bytes.
  Fault fault;
  std::string file;
  std::size_t fullAfter;
  std::string out, err;
  // The files left, each as the first so many bytes of the file a run without failures makes.
  std::map<std::string, std::size_t> files;
};

const std::string kMessage = "! frequency: 1 Hz\n";
const std::string kUnknown = "UNKNOWN 1;\n";
const std::string kCannotMake2 = kBudget + "Cannot open output file out2.pcf!\n";

// A failure of the switch to file 2 shows only where the translation next waits for the
// writer: at a message, at the next switch, at the end; it must win over all of them.
const SwitchCase kCases[] = {
    {"no failure",
     scans(6),
     Fault::kNone,
     "",
     0,
     kBudget + "Translation Successful 3 files generated.\n",
     "",
     {{"out1.pcf", kFile1}, {"out2.pcf", kFile}, {"out3.pcf", kFile}}},
    {"file 2 cannot be made",
     scans(6),
     Fault::kCannotMake,
     "out2.pcf",
     0,
     kCannotMake2,
     "",
     {{"out1.pcf", kFile1}}},
    {"the last file cannot be made",
     scans(4),
     Fault::kCannotMake,
     "out2.pcf",
     0,
     kCannotMake2,
     "",
     {{"out1.pcf", kFile1}}},
    {"file 2 cannot be made, then a statement fails",
     scans(3) + kUnknown + scans(2),
     Fault::kCannotMake,
     "out2.pcf",
     0,
     kCannotMake2,
     "",
     {{"out1.pcf", kFile1}}},
    {"file 2 cannot be made, then a message",
     scans(3) + kMessage + scans(2),
     Fault::kCannotMake,
     "out2.pcf",
     0,
     kCannotMake2,
     "",
     {{"out1.pcf", kFile1}}},
    // File 1 is made and closed once at start-up, before the counting passes.
    {"file 1 cannot be closed",
     scans(6),
     Fault::kCannotClose,
     "out1.pcf",
     0,
     kBudget + "Cannot write output file out1.pcf!\n",
     "",
     {{"out1.pcf", kHeadSize}}},
    {"file 2 cannot be closed, then a message",
     scans(5) + kMessage + scans(1),
     Fault::kCannotClose,
     "out2.pcf",
     0,
     kBudget + "Cannot write output file out2.pcf!\n",
     "",
     {{"out1.pcf", kFile1}, {"out2.pcf", kFile}}},
    // File 1 holds 64,530 bytes, its trailer 17 of them.
    {"the trailer of file 1 does not fit",
     scans(6),
     Fault::kFillsUp,
     "out1.pcf",
     64520,
     kBudget + "Cannot write output file out1.pcf!\n",
     "",
     {{"out1.pcf", 64520}}},
    {"file 2 fills up",
     scans(6),
     Fault::kFillsUp,
     "out2.pcf",
     100,
     kBudget + "Cannot write output file out2.pcf!\n",
     "",
     {{"out1.pcf", kFile1}, {"out2.pcf", 100}}},
    {"no memory to make file 2",
     scans(6),
     Fault::kNoMemory,
     "out2.pcf",
     0,
     kBudget,
     "Out of memory!\n",
     {{"out1.pcf", kFile1}}},
    {"no memory to make file 2, then a statement fails",
     scans(3) + kUnknown,
     Fault::kNoMemory,
     "out2.pcf",
     0,
     kBudget,
     "Out of memory!\n",
     {{"out1.pcf", kFile1}}},
};

struct SwitchRun {
  MemoryConsole console;
  StagedFiles files;
  int status = 0;

  SwitchRun(const SwitchCase& c, bool slow) {
    files.slow = slow;
    files.memory.files["in.svf"] = c.svf;
    files.memory.files["head.txt"] = "";
    std::set<std::string> faulty = {c.file};
    switch (c.fault) {
      case Fault::kNone:
        break;
      case Fault::kCannotMake:
        files.memory.unwritable = faulty;
        break;
      case Fault::kFillsUp:
        files.memory.full = faulty;
        files.memory.fullAfter = c.fullAfter;
        break;
      case Fault::kCannotClose:
        files.closeFails = faulty;
        break;
      case Fault::kNoMemory:
        files.exhausted = faulty;
        break;
    }
    status =
        runTranslation({"kestrix", "in.svf", "head.txt", "out", "-s", "30000"}, console, files);
  }
  std::map<std::string, std::string> pcfFiles() const {
    std::map<std::string, std::string> left;
    for (const auto& [name, contents] : files.memory.files) {
      if (name.ends_with(".pcf")) left[name] = contents;
    }
    return left;
  }
};

TEST(FileSwitch, FailuresEndTheRunAsASwitchOnTheSpotWould) {
  const std::map<std::string, std::string> whole = SwitchRun(kCases[0], false).pcfFiles();
  ASSERT_EQ(whole.size(), 3u);
  for (const SwitchCase& c : kCases) {
    for (bool slow : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (slow ? ", slow" : ""));
      SwitchRun run(c, slow);
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.console.out, c.out);
      EXPECT_EQ(run.console.err, c.err);
      std::map<std::string, std::string> expected;
      for (const auto& [name, size] : c.files) expected[name] = whole.at(name).substr(0, size);
      EXPECT_TRUE(run.pcfFiles() == expected);
    }
  }
}

}  // namespace
}  // namespace kestrix
