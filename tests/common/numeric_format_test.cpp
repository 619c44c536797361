#include <gtest/gtest.h>

#include <cmath>

#include "common/format.h"
#include "common/numeric.h"

namespace pellucor {
namespace {

// The leading number: sign, digits, decimal point, exponent; spaces, TABs and LFs anywhere are
// skipped (not CR); 0 when there is none.
TEST(NumericValue, LeadingNumber) {
  const std::pair<const char16_t*, double> cases[] = {
      {u"42abc", 42}, {u"  -3.5e2x", -350}, {u"1 2\t3\n4", 1234},
      {u"- 7", -7},   {u".5", 0.5},         {u"5.", 5},
      {u"1e", 1},     {u"1e+", 1},          {u"2E-1", 0.2},
      {u"+8", 8},     {u"1,000", 1},        {u"1\r2", 1},
      {u"", 0},       {u"abc", 0},          {u"-", 0},
      {u".", 0},      {u"+-1", 0},          {u"e5", 0},
      {u"１２", 0},   {u"1e-999", 0}};
  for (const auto& [text, value] : cases) EXPECT_EQ(NumericValue(text), value) << ToUtf8(text);
  EXPECT_TRUE(std::isinf(NumericValue(u"1e999")));
}

TEST(NumericValue, RoundHalfEven) {
  const std::pair<double, int64_t> cases[] = {
      {2.5, 2},   {3.5, 4},          {-2.5, -2},         {-3.5, -4},       {2.4999, 2},
      {-0.6, -1}, {1e30, INT64_MAX}, {-1e30, INT64_MIN}, {std::nan(""), 0}};
  for (const auto& [value, whole] : cases) EXPECT_EQ(RoundHalfEven(value), whole) << value;
  EXPECT_EQ(WholeValue(u"10000.5"), 10000);
}

TEST(NumericValue, StrictWholeTextTest) {
  for (const char16_t* yes : {u"1", u" -2 ", u"+3.", u"\t.5", u"1e3", u"0001"})
    EXPECT_TRUE(IsNumericText(yes)) << ToUtf8(yes);
  for (const char16_t* no : {u"", u"  ", u"1a", u"1 2", u"1,000", u"-", u".", u"1e", u"e1"})
    EXPECT_FALSE(IsNumericText(no)) << ToUtf8(no);
}

// Plain decimal writing: no exponent, no ".0" for whole values, no grouping, no "-0". "0.0" and
// "0.00" round the decimal reading half away from zero.
TEST(Format, Numbers) {
  // 2^53 - 1, every countable message number, is written exactly.
  // clang-format off
  const std::pair<double, const char16_t*> plain[] = {
      {-3, u"-3"}, {2.5, u"2.5"}, {0.1 + 0.2, u"0.3"}, {1e-7, u"0.0000001"}, {-0.0, u"0"},
      {123456789012, u"123456789012"}, {9007199254740991, u"9007199254740991"},
      {-1000000000000001, u"-1000000000000001"}, {9007199254740994, u"9007199254740990"},
      {9007199254740992, u"9007199254740992"}, {1e20, u"100000000000000000000"}};
  const std::tuple<double, int, const char16_t*> fixed[] = {
      {2.675, 2, u"2.68"}, {-0.05, 1, u"-0.1"}, {-0.04, 1, u"0.0"}, {0.04, 1, u"0.0"},
      {9.99, 1, u"10.0"}, {3, 2, u"3.00"}};
  const std::tuple<int64_t, int, const char16_t*> padded[] = {
      {7, 3, u"007"}, {1234, 3, u"1234"}, {-7, 3, u"-007"}, {5, 0, u"5"}, {0, 3, u"000"},
      {INT64_MIN, 1, u"-9223372036854775808"}};
  const std::pair<int64_t, const char16_t*> grouped[] = {
      {0, u"0"}, {999, u"999"}, {1000, u"1,000"}, {1234567, u"1,234,567"}, {-999, u"-999"},
      {-1234, u"-1,234"}};
  // clang-format on
  for (const auto& [value, text] : plain) EXPECT_EQ(FormatNumber(value), text) << value;
  for (const auto& [value, decimals, text] : fixed)
    EXPECT_EQ(FormatFixed(value, decimals), text) << value;
  for (const auto& [value, digits, text] : padded) EXPECT_EQ(ZeroPad(value, digits), text);
  for (const auto& [value, text] : grouped) EXPECT_EQ(FormatGrouped(value), text);
}

// Day 0 is 1899-12-30; weeks start on Sunday and week 1 holds 1 January.
TEST(Dates, Calendar) {
  EXPECT_EQ(DaySerial({1899, 12, 30}), 0);
  EXPECT_EQ(DaySerial({1900, 3, 1}), 61);
  EXPECT_EQ(FromDaySerial(DaySerial({2000, 2, 29})), (DateTime{2000, 2, 29}));
  EXPECT_EQ(Weekday({2001, 5, 12}), 7);  // Saturday
  EXPECT_EQ(Weekday({2001, 5, 13}), 1);
  EXPECT_EQ(Weekday({1899, 12, 24}), 1);  // before day 0
  // 2001-01-01 was a Monday: week 1 runs to Saturday the 6th.
  for (auto [day, week] : {std::pair{6, 1}, {7, 2}, {14, 3}, {365, 53}})
    EXPECT_EQ(WeekOfYear(FromDaySerial(DaySerial({2001, 1, 1}) + day - 1)), week) << day;
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2001, 4, 31));
}

TEST(Dates, ArithmeticAndFormats) {
  const DateTime t{2000, 12, 31, 23, 59, 30}, u{2001, 1, 1, 0, 0, 15};
  EXPECT_EQ(AddSeconds(t, 45), u);
  EXPECT_EQ(AddSeconds(u, -45), t);
  EXPECT_EQ(SecondsBetween(t, u), 45);
  EXPECT_EQ(SecondsBetween(u, t), -45);
  const DateTime v{2001, 1, 15, 9, 4, 2};
  EXPECT_EQ(FormatYmd(v) + u"|" + FormatHm(v) + u"|" + FormatStamp(v) + u"|" + FormatYmdHms(v),
            u"2001/01/15|09:04|20010115-090402|2001/01/15 09:04:02");
}

// y/m/d, y-m-d, y.m.d or y年m月d日, a weekday in parentheses, a time h:m[:s] or h時m分; full-width
// forms count as ASCII; a two-digit year is 2000-2029 or 1930-1999.
TEST(Dates, ParseForms) {
  const std::pair<const char16_t*, DateTime> good[] = {
      {u"2001/5/12 13:45", {2001, 5, 12, 13, 45, 0}},
      {u"2001/05/12(土) 13:45", {2001, 5, 12, 13, 45, 0}},
      {u" 2001-05-12 1:02:03 ", {2001, 5, 12, 1, 2, 3}},
      {u"2001年5月12日 13時45分", {2001, 5, 12, 13, 45, 0}},
      {u"２００１／０５／１２", {2001, 5, 12}},
      {u"01/5/12", {2001, 5, 12}},
      {u"99/5/12", {1999, 5, 12}}};
  for (const auto& [text, time] : good) EXPECT_EQ(ParseDateTime(text), time) << ToUtf8(text);
  for (const char16_t* bad :
       {u"", u"later", u"2001/13/1", u"2001/2/29", u"2001/5", u"2001/5-12", u"2001/5/12 24:00",
        u"2001/5/12 1:60", u"2001/5/12 x", u"20010/5/12", u"13:45", u"2001/5/12(土曜日です) 1:00"})
    EXPECT_FALSE(ParseDateTime(bad).has_value()) << ToUtf8(bad);
}

}  // namespace
}  // namespace pellucor
