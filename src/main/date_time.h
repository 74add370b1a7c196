// A zone-less local date-time with whole seconds, as Outlook keeps them.
//
// No time-zone conversion happens anywhere: the seconds count is taken from
// 1970-01-01 00:00:00 on the same local clock. Years 1 to 9999 are carried.
#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tovask {

class DateTime {
 public:
  // The zero date, 1899-12-30 00:00:00 (serial day 0).
  constexpr DateTime() = default;

  // Seconds since 1970-01-01 00:00:00 local time; 64-bit, so dates after
  // 2038 never overflow. Here and in FromSerial, a value outside years 1 to
  // 9999 is held at the nearest end of that range.
  static DateTime FromUnixSeconds(std::int64_t seconds);
  std::int64_t UnixSeconds() const;

  // The serial-day form: day 0 is 1899-12-30, the fraction is the time of
  // day. Converting from it rounds to the nearest second. Before day 0 the
  // fraction still counts forward from midnight: -1.25 is 1899-12-29 06:00.
  static DateTime FromSerial(double days);
  double Serial() const;

  // Returns nothing for an impossible date or time (2023-02-30, 24:00:00).
  static std::optional<DateTime> FromParts(int year, int month, int day, int hour = 0,
                                           int minute = 0, int second = 0);

  // Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM", "YYYY-MM-DD HH:MM:SS" and the
  // same with 'T' for the blank; returns nothing for every other text and for
  // impossible dates.
  static std::optional<DateTime> Parse(std::string_view text);

  static DateTime Zero() { return DateTime(); }
  // The current local time, to the second.
  static DateTime Now();

  int Year() const;
  int Month() const;
  int Day() const;
  int Hour() const;
  int Minute() const;
  int Second() const;

  // "YYYY-MM-DD HH:MM:SS": the general text form used in every document.
  std::string ToGeneralText() const;
  // "YYYY-MM-DD".
  std::string ToDateText() const;

  auto operator<=>(const DateTime&) const = default;

 private:
  // Seconds since the zero date.
  std::int64_t seconds_ = 0;
};

}  // namespace tovask
