#include "pst/pff_values.h"

#include <gtest/gtest.h>

#include <ctime>

#include "profile_store/test_profile.h"

namespace tovask::pst {
namespace {

using outlook::PropertyKind;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int value : values) bytes.push_back(static_cast<char>(value));
  return bytes;
}

// UTF-16LE of an ASCII text.
std::string Wide(std::string_view text) {
  std::string bytes;
  for (char c : text) {
    bytes.push_back(c);
    bytes.push_back('\0');
  }
  return bytes;
}

TEST(PffValuesTest, Utf16TextsBecomeUtf8UpToTheFirstNul) {
  struct Row {
    const char* name;
    std::string bytes;
    std::string expected;
  };
  const Row rows[] = {
      {"ascii", Wide("Anna"), "Anna"},
      {"umlaut", Bytes({0xFC, 0x00}), "\xC3\xBC"},
      {"euro", Bytes({0xAC, 0x20}), "\xE2\x82\xAC"},
      {"surrogate pair", Bytes({0x3D, 0xD8, 0x00, 0xDE}), "\xF0\x9F\x98\x80"},
      {"lone high surrogate", Bytes({0x3D, 0xD8, 0x41, 0x00}),
       "\xEF\xBF\xBD"
       "A"},
      {"lone low surrogate", Bytes({0x00, 0xDE}), "\xEF\xBF\xBD"},
      {"odd last byte", Bytes({0x41, 0x00, 0x42}), "A\xEF\xBF\xBD"},
      {"nul ends the text", Wide("ab") + Bytes({0, 0}) + Wide("cd"), "ab"},
      {"empty", "", ""},
  };
  for (const Row& row : rows) EXPECT_EQ(Utf16ToUtf8(row.bytes), row.expected) << row.name;
}

TEST(PffValuesTest, EightBitTextsFollowTheirCodePage) {
  struct Row {
    const char* name;
    int codePage;
    std::string bytes;
    std::string expected;
  };
  const Row rows[] = {
      {"1252 euro and umlaut", 1252, Bytes({0x80, 0xFC}), "\xE2\x82\xAC\xC3\xBC"},
      {"1251 cyrillic", 1251, Bytes({0xC0, 0xE1}), "\xD0\x90\xD0\xB1"},
      {"1250 central european", 1250, Bytes({0x8A}), "\xC5\xA0"},
      {"932 japanese", 932, Bytes({0x82, 0xA0}), "\xE3\x81\x82"},
      {"unknown code page reads as 1252", 99999, Bytes({0x80}), "\xE2\x82\xAC"},
      {"nul ends the text", 1252, Bytes({'a', 0, 'b'}), "a"},
  };
  for (const Row& row : rows) {
    CodePageText text(row.codePage);
    EXPECT_EQ(text.ToUtf8(row.bytes), row.expected) << row.name;
  }
}

TEST(PffValuesTest, MultiValuesSplitOnlyWhenTheirLayoutHolds) {
  struct Row {
    const char* name;
    std::string bytes;
    std::optional<std::vector<std::string>> expected;
  };
  using Values = std::vector<std::string>;
  const Row rows[] = {
      {"two values", Bytes({2, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 'a', 'b', 'c'}),
       Values{"a", "bc"}},
      {"none", Bytes({0, 0, 0, 0}), Values{}},
      {"an empty value", Bytes({1, 0, 0, 0, 8, 0, 0, 0}), Values{""}},
      {"too short for a count", Bytes({1, 0}), std::nullopt},
      {"count beyond the size", Bytes({0xFF, 0xFF, 0xFF, 0x7F, 8, 0, 0, 0}), std::nullopt},
      {"offset into the offsets", Bytes({1, 0, 0, 0, 2, 0, 0, 0, 'a'}), std::nullopt},
      {"offset beyond the end", Bytes({1, 0, 0, 0, 40, 0, 0, 0, 'a'}), std::nullopt},
      {"offsets going back", Bytes({2, 0, 0, 0, 13, 0, 0, 0, 12, 0, 0, 0, 'a', 'b'}), std::nullopt},
  };
  for (const Row& row : rows) {
    std::optional<std::vector<std::string_view>> split = SplitMultiValue(row.bytes);
    ASSERT_EQ(split.has_value(), row.expected.has_value()) << row.name;
    if (!split) continue;
    EXPECT_EQ(Values(split->begin(), split->end()), *row.expected) << row.name;
  }
}

// Dates are read as local time; these tests read them in UTC and leave the
// zone as they found it.
struct ZoneReread {
  ~ZoneReread() { tzset(); }
};

TEST(PffValuesTest, SubjectsLoseTheirPrefixMark) {
  EXPECT_EQ(SubjectText("\x01\x04RE: Lunch"), "RE: Lunch");
  EXPECT_EQ(SubjectText("\x01\x01Post"), "Post");
  EXPECT_EQ(SubjectText("Post"), "Post");
  EXPECT_EQ(SubjectText("\x01"), "\x01");
  EXPECT_EQ(SubjectText(""), "");
}

class LocalTimeInUtc : public ::testing::Test {
 protected:
  LocalTimeInUtc() { tzset(); }

  ZoneReread reread_;  // destroyed after zone_, so it reads the restored zone
  testing::ScopedEnv zone_{"TZ", "UTC"};
};

// 2000-01-01 00:00:00 UTC in 100-nanosecond ticks since 1601.
constexpr std::uint64_t kY2k = 125'911'584'000'000'000;

std::string FileTime(std::uint64_t ticks) {
  std::string bytes;
  for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<char>((ticks >> (8 * i)) & 0xFF));
  return bytes;
}

TEST_F(LocalTimeInUtc, StoredValuesTakeTheKindAsked) {
  const DateTime kUnsetDate = *DateTime::FromParts(4501, 1, 1);
  CodePageText ansi(1252);
  std::string multiText = Bytes({2, 0, 0, 0, 12, 0, 0, 0, 16, 0, 0, 0}) + Wide("ab") + Wide("c");
  std::string multiEmpty = Bytes({2, 0, 0, 0, 12, 0, 0, 0, 12, 0, 0, 0}) + Wide("x");
  std::string multiBinary = Bytes({2, 0, 0, 0, 12, 0, 0, 0, 13, 0, 0, 0, 0xAB, 0x01, 0xFF});
  struct Row {
    const char* name;
    PropertyKind kind;
    std::uint32_t type;
    std::string bytes;
    Value expected;
  };
  const Row rows[] = {
      {"unicode text", PropertyKind::kText, 0x001F, Wide("Anna"), std::string("Anna")},
      {"ansi text", PropertyKind::kText, 0x001E, Bytes({'M', 0xFC}), std::string("M\xC3\xBC")},
      {"binary as hex", PropertyKind::kText, 0x0102, Bytes({0x00, 0xAB, 0x0F}),
       std::string("00AB0F")},
      {"texts joined", PropertyKind::kText, 0x101F, multiText, std::string("ab; c")},
      {"empty texts left out", PropertyKind::kText, 0x101F, multiEmpty, std::string("x")},
      {"binaries joined", PropertyKind::kText, 0x1102, multiBinary, std::string("AB; 01FF")},
      {"broken multi value", PropertyKind::kText, 0x101F, Bytes({9, 0, 0, 0}), std::string()},
      {"numbers as text", PropertyKind::kText, 0x1003, Bytes({1, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}),
       std::string("1; -2")},
      {"date as text", PropertyKind::kText, 0x0040, FileTime(kY2k),
       std::string("2000-01-01 00:00:00")},
      {"boolean as text", PropertyKind::kText, 0x000B, Bytes({1}), std::string("True")},
      {"missing text", PropertyKind::kText, 0, "", std::string()},
      {"date", PropertyKind::kDate, 0x0040, FileTime(kY2k + 36'610'000'000),
       *DateTime::FromParts(2000, 1, 1, 1, 1, 1)},
      {"zero date is unset", PropertyKind::kDate, 0x0040, FileTime(0), kUnsetDate},
      {"date of 4501 is unset", PropertyKind::kDate, 0x0040, FileTime(915'151'392'000'000'000),
       kUnsetDate},
      {"short date is unset", PropertyKind::kDate, 0x0040, Bytes({1, 2, 3}), kUnsetDate},
      {"text for a date is unset", PropertyKind::kDate, 0x001F, Wide("2000"), kUnsetDate},
      {"int16 sign", PropertyKind::kInteger, 0x0002, Bytes({0xFE, 0xFF}), std::int64_t{-2}},
      {"int32", PropertyKind::kInteger, 0x0003, Bytes({2, 0, 0, 0}), std::int64_t{2}},
      {"short int32 is unset", PropertyKind::kInteger, 0x0003, Bytes({2}), std::int64_t{0}},
      {"boolean", PropertyKind::kBoolean, 0x000B, Bytes({1}), true},
      {"integer as boolean", PropertyKind::kBoolean, 0x0003, Bytes({0, 1, 0, 0}), true},
      {"missing boolean", PropertyKind::kBoolean, 0, "", false},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DecodeStoredValue(row.kind, row.type, row.bytes, ansi), row.expected) << row.name;
  }
}

TEST_F(LocalTimeInUtc, FileTimesOfZeroAndFromYear4501AreNoDates) {
  EXPECT_EQ(FileTimeToLocal(kY2k), DateTime::FromParts(2000, 1, 1));
  EXPECT_EQ(FileTimeToLocal(0), std::nullopt);
  EXPECT_EQ(FileTimeToLocal(0xFFFF'FFFF'FFFF'FFFF), std::nullopt);
  EXPECT_EQ(FileTimeToLocal(915'151'392'000'000'000), std::nullopt);  // 4501-01-01
  // 4500-12-31 23:59:59 UTC is still a date.
  EXPECT_EQ(FileTimeToLocal(915'151'391'990'000'000),
            DateTime::FromParts(4500, 12, 31, 23, 59, 59));
}

}  // namespace
}  // namespace tovask::pst
