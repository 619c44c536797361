// Number and date formatting, and reading texts as dates.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace pellucor {

// Plain decimal: "-12", "0", "1000".
Text IntegerText(int64_t value);

// n digits with leading zeros ("000" with n = 3). Wider numbers are written in full;
// negative numbers keep their sign before the zeros.
Text ZeroPad(int64_t value, int digits);

// "0.0" and "0.00": fixed decimals, rounded half away from zero.
Text FormatFixed(double value, int decimals);

// "####,###,###,###": thousands separators, no leading zeros ("0" for zero).
Text FormatGrouped(int64_t value);

// A local calendar date and time. Fields are plain numbers; no time zone.
struct DateTime {
  int year = 1899;
  int month = 12;
  int day = 30;
  int hour = 0;
  int minute = 0;
  int second = 0;

  friend bool operator==(const DateTime&, const DateTime&) = default;
  friend auto operator<=>(const DateTime&, const DateTime&) = default;
};

// Reads a text as a date or date-time: y/m/d or y-m-d, the 年月日 forms, an optional time
// h:m[:s], and the display form "2001/05/12(土) 13:45". Leading and trailing spaces are
// allowed. Returns nothing for a text that is not a valid date.
std::optional<DateTime> ParseDateTime(TextView text);

// 1 = Sunday ... 7 = Saturday.
int Weekday(const DateTime& date);

// Week of the year: weeks begin on Sunday and week 1 holds 1 January.
int WeekOfYear(const DateTime& date);

// Days since 1899-12-30 (day 0); negative before it.
int64_t DaySerial(const DateTime& date);
DateTime FromDaySerial(int64_t days);

// Whole seconds from a to b (negative when b is earlier).
int64_t SecondsBetween(const DateTime& a, const DateTime& b);

// Adds whole seconds, carrying into minutes, hours, days, months and years.
DateTime AddSeconds(const DateTime& t, int64_t seconds);

Text FormatYmd(const DateTime& t);     // yyyy/mm/dd
Text FormatHm(const DateTime& t);      // hh:mm
Text FormatStamp(const DateTime& t);   // yyyymmdd-hhnnss
Text FormatYmdHms(const DateTime& t);  // yyyy/mm/dd hh:nn:ss

bool IsValidDate(int year, int month, int day);

}  // namespace pellucor
