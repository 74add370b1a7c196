#include "main/changed_since.h"

#include <gtest/gtest.h>

#include <optional>
#include <tuple>

#include "main/failure.h"

namespace tovask {
namespace {

TEST(IsChangedSinceTest, StrictlyAfterTheSinceValueAndRaisesForNonDates) {
  const std::tuple<std::int32_t, const char*, std::optional<bool>> rows[] = {
      // since, date, changed (nullopt: not a date, raises)
      {1700000000, "2023-11-14 22:13:20", false}, {1700000000, "2023-11-14 22:13:21", true},
      {0, "1970-01-01 00:00:00", false},          {0, "1970-01-01 00:00:01", true},
      {2147483647, "2038-01-19 03:14:08", true},  {0, "yesterday", std::nullopt},
      {0, "2023-02-30 10:00:00", std::nullopt},
  };
  for (const auto& [since, date, changed] : rows) {
    SCOPED_TRACE(std::to_string(since) + " vs " + date);
    if (changed) {
      EXPECT_EQ(IsChangedSince(since, date), *changed);
      EXPECT_EQ(IsChangedSince(since, *DateTime::Parse(date)), *changed);
    } else {
      EXPECT_THROW(IsChangedSince(since, date), Failure);
    }
  }
}

}  // namespace
}  // namespace tovask
