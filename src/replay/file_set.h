#pragma once

#include <functional>
#include <string>
#include <vector>

#include "core/io.h"
#include "replay/replayer.h"

namespace kestrix::replay {

// Streams the files of a set through a replayer, a block at a time, so that no file is held
// whole. `stop` is asked between blocks whether the rest may be skipped.
class SetReader {
 public:
  SetReader(FileSystem& files, Replayer& replayer, std::function<bool()> stop)
      : files_(files), replayer_(replayer), stop_(std::move(stop)) {}

  // Exactly the files named, in order.
  void readNamed(const std::vector<std::string>& names);
  // The files kestrix writes for `outputFile`, numbered from 1 up to the first number that is
  // missing. A later number that exists means a file is missing from the middle of the set.
  void readNumbered(const std::string& outputFile);

 private:
  // False when the replay is over (a problem, or nothing more is needed).
  bool readFile(const std::string& name, std::unique_ptr<ByteSource> source);

  FileSystem& files_;
  Replayer& replayer_;
  std::function<bool()> stop_;
};

}  // namespace kestrix::replay
