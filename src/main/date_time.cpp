#include "main/date_time.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace tovask {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1970-01-01 back to the zero date 1899-12-30.
constexpr std::int64_t kZeroDateUnixDays = -25569;
constexpr std::int64_t kZeroDateUnixSeconds = kZeroDateUnixDays * kSecondsPerDay;

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's
// days-from-civil), exact for every year the type carries.
constexpr std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

struct Civil {
  std::int64_t year;
  int month;
  int day;
};

constexpr Civil CivilFromDays(std::int64_t days) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const std::int64_t dayOfEra = days - era * 146097;
  const std::int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;
  const int day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  const int month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  return Civil{yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

// The carried range, 0001-01-01 00:00:00 to 9999-12-31 23:59:59, in seconds
// since the zero date.
constexpr std::int64_t kMinSeconds = (DaysFromCivil(1, 1, 1) - kZeroDateUnixDays) * kSecondsPerDay;
constexpr std::int64_t kMaxSeconds =
    (DaysFromCivil(9999, 12, 31) - kZeroDateUnixDays) * kSecondsPerDay + kSecondsPerDay - 1;

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Floor division and its remainder, so times before the zero date still
// get a time of day in 0..86399.
std::int64_t DayOf(std::int64_t seconds) {
  return seconds >= 0 ? seconds / kSecondsPerDay
                      : -((-seconds + kSecondsPerDay - 1) / kSecondsPerDay);
}
std::int64_t TimeOfDayOf(std::int64_t seconds) { return seconds - DayOf(seconds) * kSecondsPerDay; }

// Reads exactly `count` decimal digits at `pos`.
std::optional<int> Digits(std::string_view text, std::size_t pos, std::size_t count) {
  int number = 0;
  for (std::size_t i = pos; i < pos + count; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    number = number * 10 + (text[i] - '0');
  }
  return number;
}

}  // namespace

// Out-of-range inputs are held at the nearest end of the carried range
// rather than producing a date no text form can show.
DateTime DateTime::FromUnixSeconds(std::int64_t seconds) {
  DateTime result;
  const std::int64_t lowest = kMinSeconds + kZeroDateUnixSeconds;
  const std::int64_t highest = kMaxSeconds + kZeroDateUnixSeconds;
  result.seconds_ = std::clamp(seconds, lowest, highest) - kZeroDateUnixSeconds;
  return result;
}

std::int64_t DateTime::UnixSeconds() const { return seconds_ + kZeroDateUnixSeconds; }

// Serial dates before the zero date follow the OLE convention: the whole
// part counts days back from 1899-12-30, and the fraction is the time of day
// counted forward from that day's midnight, whatever the sign. So -1.25 is
// 1899-12-29 06:00:00, and the serial form is not monotonic below zero.
DateTime DateTime::FromSerial(double days) {
  DateTime result;
  if (std::isnan(days)) return result;
  const double limit = static_cast<double>(kMaxSeconds / kSecondsPerDay + 1);
  days = std::clamp(days, -limit, limit);
  const double wholeDays = std::trunc(days);
  const double fraction = std::fabs(days - wholeDays);
  const std::int64_t seconds = static_cast<std::int64_t>(wholeDays) * kSecondsPerDay +
                               std::llround(fraction * static_cast<double>(kSecondsPerDay));
  result.seconds_ = std::clamp(seconds, kMinSeconds, kMaxSeconds);
  return result;
}

double DateTime::Serial() const {
  const double day = static_cast<double>(DayOf(seconds_));
  const double fraction =
      static_cast<double>(TimeOfDayOf(seconds_)) / static_cast<double>(kSecondsPerDay);
  return day < 0 ? day - fraction : day + fraction;
}

std::optional<DateTime> DateTime::FromParts(int year, int month, int day, int hour, int minute,
                                            int second) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return std::nullopt;
  if (day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) {
    return std::nullopt;
  }
  DateTime result;
  result.seconds_ = (DaysFromCivil(year, month, day) - kZeroDateUnixDays) * kSecondsPerDay +
                    hour * 3600 + minute * 60 + second;
  return result;
}

std::optional<DateTime> DateTime::Parse(std::string_view text) {
  // Positions: YYYY-MM-DD, then [ T]HH:MM, then :SS.
  if (text.size() != 10 && text.size() != 16 && text.size() != 19) return std::nullopt;
  if (text[4] != '-' || text[7] != '-') return std::nullopt;
  std::optional<int> year = Digits(text, 0, 4);
  std::optional<int> month = Digits(text, 5, 2);
  std::optional<int> day = Digits(text, 8, 2);
  if (!year || !month || !day) return std::nullopt;
  int hour = 0, minute = 0, second = 0;
  if (text.size() >= 16) {
    if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':') return std::nullopt;
    std::optional<int> h = Digits(text, 11, 2);
    std::optional<int> m = Digits(text, 14, 2);
    if (!h || !m) return std::nullopt;
    hour = *h;
    minute = *m;
  }
  if (text.size() == 19) {
    if (text[16] != ':') return std::nullopt;
    std::optional<int> s = Digits(text, 17, 2);
    if (!s) return std::nullopt;
    second = *s;
  }
  return FromParts(*year, *month, *day, hour, minute, second);
}

DateTime DateTime::Now() {
  std::time_t now = std::time(nullptr);
  std::tm local{};
  if (localtime_r(&now, &local) == nullptr) return FromUnixSeconds(now);
  // A leap second shows as :60; the type has no room for it.
  std::optional<DateTime> result =
      FromParts(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                std::min(local.tm_sec, 59));
  return result ? *result : FromUnixSeconds(now);
}

int DateTime::Year() const {
  return static_cast<int>(CivilFromDays(DayOf(seconds_) + kZeroDateUnixDays).year);
}
int DateTime::Month() const { return CivilFromDays(DayOf(seconds_) + kZeroDateUnixDays).month; }
int DateTime::Day() const { return CivilFromDays(DayOf(seconds_) + kZeroDateUnixDays).day; }
int DateTime::Hour() const { return static_cast<int>(TimeOfDayOf(seconds_) / 3600); }
int DateTime::Minute() const { return static_cast<int>(TimeOfDayOf(seconds_) / 60 % 60); }
int DateTime::Second() const { return static_cast<int>(TimeOfDayOf(seconds_) % 60); }

std::string DateTime::ToGeneralText() const {
  const Civil date = CivilFromDays(DayOf(seconds_) + kZeroDateUnixDays);
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", static_cast<int>(date.year),
                date.month, date.day, Hour(), Minute(), Second());
  return text;
}

std::string DateTime::ToDateText() const {
  const Civil date = CivilFromDays(DayOf(seconds_) + kZeroDateUnixDays);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", static_cast<int>(date.year), date.month,
                date.day);
  return text;
}

}  // namespace tovask
