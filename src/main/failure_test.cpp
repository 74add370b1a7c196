#include "main/failure.h"

#include <gtest/gtest.h>

namespace tovask {
namespace {

TEST(FailureTest, TailKeepsSeparatorEvenWithEmptySource) {
  EXPECT_EQ(FailureTail(Failure("ProfileStore", -2147221233, "Folder not found")),
            "ProfileStore, -2147221233 - Folder not found");
  EXPECT_EQ(FailureTail(Failure("", 5, "x")), ", 5 - x");
  EXPECT_STREQ(Failure("a", 1, "b").what(), "a, 1 - b");
}

}  // namespace
}  // namespace tovask
