#include "main/date_time.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <limits>
#include <tuple>
#include <utility>

namespace tovask {
namespace {

TEST(DateTimeTest, ConvertsEveryFormBothWays) {
  struct Row {
    const char* text;  // general text form
    int year, month, day, hour, minute, second;
    std::int64_t unixSeconds;
    double serial;
  };
  const Row rows[] = {
      {"1899-12-30 00:00:00", 1899, 12, 30, 0, 0, 0, -2209161600, 0.0},
      {"1970-01-01 00:00:00", 1970, 1, 1, 0, 0, 0, 0, 25569.0},
      {"1900-01-01 00:00:00", 1900, 1, 1, 0, 0, 0, -2208988800, 2.0},
      // 1900 is not a leap year: the day after 02-28 is 03-01.
      {"1900-02-28 00:00:00", 1900, 2, 28, 0, 0, 0, -2203977600, 60.0},
      {"1900-03-01 00:00:00", 1900, 3, 1, 0, 0, 0, -2203891200, 61.0},
      {"1901-01-01 00:00:00", 1901, 1, 1, 0, 0, 0, -2177452800, 367.0},
      {"2000-02-29 12:30:00", 2000, 2, 29, 12, 30, 0, 951827400, 36585.0 + 45000.0 / 86400},
      {"2038-01-19 03:14:07", 2038, 1, 19, 3, 14, 7, 2147483647, 50424.0 + 11647.0 / 86400},
      {"2100-01-01 00:00:00", 2100, 1, 1, 0, 0, 0, 4102444800, 73051.0},
      {"2999-12-31 23:59:59", 2999, 12, 31, 23, 59, 59, 32503679999, 401768.0 + 86399.0 / 86400},
      {"3000-01-01 00:00:00", 3000, 1, 1, 0, 0, 0, 32503680000, 401769.0},
      // Before the zero date the fraction still counts forward from midnight.
      {"1899-12-29 06:00:00", 1899, 12, 29, 6, 0, 0, -2209226400, -1.25},
      {"0001-01-01 00:00:00", 1, 1, 1, 0, 0, 0, -62135596800, -693593.0},
      {"9999-12-31 23:59:59", 9999, 12, 31, 23, 59, 59, 253402300799, 2958465.0 + 86399.0 / 86400},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    std::optional<DateTime> date =
        DateTime::FromParts(row.year, row.month, row.day, row.hour, row.minute, row.second);
    ASSERT_TRUE(date.has_value());
    EXPECT_EQ(date->UnixSeconds(), row.unixSeconds);
    EXPECT_DOUBLE_EQ(date->Serial(), row.serial);
    EXPECT_EQ(date->ToGeneralText(), row.text);
    EXPECT_EQ(date->ToDateText(), std::string(row.text).substr(0, 10));
    EXPECT_EQ(DateTime::FromUnixSeconds(row.unixSeconds), *date);
    EXPECT_EQ(DateTime::FromSerial(row.serial), *date);
    EXPECT_EQ(DateTime::Parse(row.text), date);
    EXPECT_EQ(std::tuple(date->Year(), date->Month(), date->Day(), date->Hour(), date->Minute(),
                         date->Second()),
              std::tuple(row.year, row.month, row.day, row.hour, row.minute, row.second));
  }
  EXPECT_EQ(DateTime::Zero().ToGeneralText(), "1899-12-30 00:00:00");
}

TEST(DateTimeTest, ParseAcceptsOnlyTheFixedForms) {
  const std::pair<const char*, const char*> accepted[] = {
      {"2024-03-05", "2024-03-05 00:00:00"},       {"2024-03-05 07:08", "2024-03-05 07:08:00"},
      {"2024-03-05T07:08", "2024-03-05 07:08:00"}, {"2024-03-05T07:08:09", "2024-03-05 07:08:09"},
      {"2000-02-29", "2000-02-29 00:00:00"},
  };
  for (const auto& [text, expected] : accepted) {
    std::optional<DateTime> date = DateTime::Parse(text);
    ASSERT_TRUE(date.has_value()) << text;
    EXPECT_EQ(date->ToGeneralText(), expected) << text;
  }
  const char* badDates[] = {"2023-02-30", "2023-02-29", "1900-02-29",  "2023-13-01", "2023-00-10",
                            "2023-04-31", "0000-01-01", "2023-1-01",   "2023/01/01", "+023-01-01",
                            "05.03.2024", "",           " 2023-01-01", "2023-01-01 "};
  const char* badTimes[] = {"2023-01-01 24:00",    "2023-01-01 23:60",      "2023-01-01 23:59:60",
                            "2023-01-01 12",       "2023-01-01x12:00",      "2023-01-01 12-00",
                            "2023-01-01 12:00:0a", "2023-01-01 12:00:00.5", "2023-01-01T12:00Z"};
  for (const char* text : badDates) EXPECT_FALSE(DateTime::Parse(text).has_value()) << text;
  for (const char* text : badTimes) EXPECT_FALSE(DateTime::Parse(text).has_value()) << text;
}

TEST(DateTimeTest, SerialRoundsToTheSecondAndOutOfRangeInputsAreHeld) {
  EXPECT_EQ(DateTime::FromSerial(0.5 + 0.4 / 86400).ToGeneralText(), "1899-12-30 12:00:00");
  EXPECT_EQ(DateTime::FromSerial(0.5 + 0.6 / 86400).ToGeneralText(), "1899-12-30 12:00:01");
  // Almost a whole day carries into the next midnight, on either side of zero.
  EXPECT_EQ(DateTime::FromSerial(1.9999999).ToGeneralText(), "1900-01-01 00:00:00");
  EXPECT_EQ(DateTime::FromSerial(-1.9999999).ToGeneralText(), "1899-12-30 00:00:00");
  EXPECT_EQ(DateTime::FromSerial(std::nan("")), DateTime::Zero());
  EXPECT_EQ(DateTime::FromSerial(1e300).ToGeneralText(), "9999-12-31 23:59:59");
  EXPECT_EQ(DateTime::FromSerial(-1e300).ToGeneralText(), "0001-01-01 00:00:00");
  const auto largest = std::numeric_limits<std::int64_t>::max();
  EXPECT_EQ(DateTime::FromUnixSeconds(largest).ToGeneralText(), "9999-12-31 23:59:59");
  EXPECT_EQ(DateTime::FromUnixSeconds(-largest).ToGeneralText(), "0001-01-01 00:00:00");
}

TEST(DateTimeTest, NowIsTheLocalClock) {
  auto localText = [](std::time_t moment) {
    std::tm local{};
    localtime_r(&moment, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return std::string(text);
  };
  const std::time_t before = std::time(nullptr);
  const std::string now = DateTime::Now().ToGeneralText();
  const std::time_t after = std::time(nullptr);
  EXPECT_TRUE(now == localText(before) || now == localText(after)) << now;
}

}  // namespace
}  // namespace tovask
