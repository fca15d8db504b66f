#include <gtest/gtest.h>

#include "test_support.h"

namespace kestrix {
namespace {

TEST(Run, EmptyInputGivesHeadAndTrailer) {
  testing::Run run("");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.console.out, "Translation Successful 1 file generated.\n");
  EXPECT_EQ(run.files.files["out1.pcf"], std::string(testing::kHead) + "end pcf\nend unit\n");
}

}  // namespace
}  // namespace kestrix
