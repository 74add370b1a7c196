#include "main/changed_since.h"

#include <gtest/gtest.h>

#include "main/failure.h"

namespace tovask {
namespace {

TEST(IsChangedSinceTest, IsStrictlyAfterTheSinceValue) {
  struct Row {
    std::int32_t since;
    const char* date;
    bool expected;
  };
  const Row rows[] = {
      {1700000000, "2023-11-14 22:13:20", false},  // the same second
      {1700000000, "2023-11-14 22:13:21", true},   // one second later
      {1700000000, "2023-11-14 22:13:19", false}, {1700000000, "2023-11-14T22:13:21", true},
      {0, "1970-01-01 00:00:00", false},          {0, "1970-01-01 00:00:01", true},
      {0, "1969-12-31 23:59:59", false},          {0, "2100-01-01", true},
      {-1, "1970-01-01 00:00:00", true},          {2147483647, "2038-01-19 03:14:07", false},
      {2147483647, "2038-01-19 03:14:08", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.since) + " vs " + row.date);
    EXPECT_EQ(IsChangedSince(row.since, row.date), row.expected);
    EXPECT_EQ(IsChangedSince(row.since, *DateTime::Parse(row.date)), row.expected);
  }
}

TEST(IsChangedSinceTest, RaisesForATextThatIsNotADate) {
  for (const char* text : {"", "yesterday", "2023-02-30 10:00:00", "14.11.2023 22:13:21"}) {
    SCOPED_TRACE(text);
    try {
      IsChangedSince(0, text);
      ADD_FAILURE() << "no failure raised";
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.number(), 13);
    }
  }
}

}  // namespace
}  // namespace tovask
