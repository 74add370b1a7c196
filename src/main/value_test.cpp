#include "main/value.h"

#include <gtest/gtest.h>

#include <limits>

namespace tovask {
namespace {

TEST(ValueTextTest, GivesTheTextFormOfEveryKind) {
  struct Row {
    const char* name;
    Value value;
    const char* expected;
  };
  const Row rows[] = {
      {"null", Value(), ""},
      {"text unchanged", Value(std::string(" Anna  <b> ")), " Anna  <b> "},
      {"literal text stays text", Value("Anna"), "Anna"},
      {"zero", Value(std::int64_t{0}), "0"},
      {"negative", Value(std::int64_t{-42}), "-42"},
      {"largest", Value(std::numeric_limits<std::int64_t>::max()), "9223372036854775807"},
      {"true", Value(true), "True"},
      {"false", Value(false), "False"},
      {"date", Value(*DateTime::FromParts(2024, 3, 5, 7, 8, 9)), "2024-03-05 07:08:09"},
      {"zero date", Value(DateTime::Zero()), "1899-12-30 00:00:00"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ValueText(row.value), row.expected) << row.name;
  }
}

}  // namespace
}  // namespace tovask
