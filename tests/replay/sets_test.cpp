#include <gtest/gtest.h>

#include "replay/file_sets.h"
#include "replay/replay.h"

namespace kestrix::replay {
namespace {

using namespace testing;

// Every set of the repository that ends with its trailer replays without a problem; a set that
// a stopped run left behind is reported as incomplete, at its last file.
TEST(ReplaySets, RepositorySetsReplayCleanlyOrAreReportedIncomplete) {
  std::vector<NamedSet> sets = repositorySets(KESTRIX_SOURCE_DIR);
  ASSERT_GT(sets.size(), 100u);
  int complete = 0;
  for (const NamedSet& set : sets) {
    Result result = replayTexts(set.files);
    bool trailer = endsWith(set.files.back().second, "end pcf\nend unit\n");
    if (trailer) {
      ++complete;
      EXPECT_FALSE(result.problem) << set.name << ": " << result.problem->where.file << ":"
                                   << result.problem->where.line << ": " << result.problem->message;
    } else {
      ASSERT_TRUE(result.problem) << set.name;
      EXPECT_EQ(result.problem->where.file, set.files.back().first) << set.name;
      EXPECT_NE(result.problem->message.find("without its trailer"), std::string::npos)
          << set.name << ": " << result.problem->message;
    }
  }
  EXPECT_GT(complete, 80);
}

}  // namespace
}  // namespace kestrix::replay
