#include <gtest/gtest.h>

#include <cmath>

#include "common/format.h"
#include "common/numeric.h"

namespace pellucor {
namespace {

TEST(NumericValue, LeadingNumber) {
  EXPECT_EQ(NumericValue(u"42abc"), 42);
  EXPECT_EQ(NumericValue(u"  -3.5e2x"), -350);
  EXPECT_EQ(NumericValue(u"1 2\t3\n4"), 1234);  // blanks anywhere are skipped
  EXPECT_EQ(NumericValue(u"- 7"), -7);
  EXPECT_EQ(NumericValue(u".5"), 0.5);
  EXPECT_EQ(NumericValue(u"5."), 5);
  EXPECT_EQ(NumericValue(u"1e"), 1);
  EXPECT_EQ(NumericValue(u"1e+"), 1);
  EXPECT_EQ(NumericValue(u"2E-1"), 0.2);
  EXPECT_EQ(NumericValue(u"+8"), 8);
  EXPECT_EQ(NumericValue(u"1,000"), 1);
  EXPECT_EQ(NumericValue(u"1\r2"), 1);  // CR is not skipped
  for (const char16_t* none : {u"", u"abc", u"-", u".", u"+-1", u"e5", u"１２"})
    EXPECT_EQ(NumericValue(none), 0) << ToUtf8(none);
  EXPECT_TRUE(std::isinf(NumericValue(u"1e999")));
  EXPECT_EQ(NumericValue(u"1e-999"), 0);
}

TEST(NumericValue, RoundHalfEven) {
  EXPECT_EQ(RoundHalfEven(2.5), 2);
  EXPECT_EQ(RoundHalfEven(3.5), 4);
  EXPECT_EQ(RoundHalfEven(1.5), 2);
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
  EXPECT_EQ(RoundHalfEven(2.4999), 2);
  EXPECT_EQ(RoundHalfEven(-0.6), -1);
  EXPECT_EQ(RoundHalfEven(1e30), INT64_MAX);
  EXPECT_EQ(RoundHalfEven(-1e30), INT64_MIN);
  EXPECT_EQ(RoundHalfEven(std::nan("")), 0);
  EXPECT_EQ(WholeValue(u"10000.5"), 10000);
}

TEST(NumericValue, StrictWholeTextTest) {
  for (const char16_t* yes : {u"1", u" -2 ", u"+3.", u"\t.5", u"1e3", u"0001"})
    EXPECT_TRUE(IsNumericText(yes)) << ToUtf8(yes);
  for (const char16_t* no : {u"", u"  ", u"1a", u"1 2", u"1,000", u"-", u".", u"1e", u"e1"})
    EXPECT_FALSE(IsNumericText(no)) << ToUtf8(no);
}

TEST(NumericValue, PlainDecimalWriting) {
  EXPECT_EQ(FormatNumber(5), u"5");
  EXPECT_EQ(FormatNumber(-3), u"-3");
  EXPECT_EQ(FormatNumber(2.5), u"2.5");
  EXPECT_EQ(FormatNumber(0.1 + 0.2), u"0.3");
  EXPECT_EQ(FormatNumber(1e20), u"100000000000000000000");
  EXPECT_EQ(FormatNumber(1e-7), u"0.0000001");
  EXPECT_EQ(FormatNumber(-0.0), u"0");
  EXPECT_EQ(FormatNumber(123456789012), u"123456789012");
}

TEST(Format, NumberPatterns) {
  EXPECT_EQ(ZeroPad(7, 3), u"007");
  EXPECT_EQ(ZeroPad(1234, 3), u"1234");
  EXPECT_EQ(ZeroPad(-7, 3), u"-007");
  EXPECT_EQ(ZeroPad(5, 0), u"5");
  EXPECT_EQ(ZeroPad(INT64_MIN, 1), u"-9223372036854775808");
  EXPECT_EQ(FormatFixed(2.675, 2), u"2.68");  // decimal reading, half away from zero
  EXPECT_EQ(FormatFixed(-0.05, 1), u"-0.1");
  EXPECT_EQ(FormatFixed(0.04, 1), u"0.0");
  EXPECT_EQ(FormatFixed(9.99, 1), u"10.0");
  EXPECT_EQ(FormatFixed(3, 2), u"3.00");
  EXPECT_EQ(FormatGrouped(0), u"0");
  EXPECT_EQ(FormatGrouped(999), u"999");
  EXPECT_EQ(FormatGrouped(1000), u"1,000");
  EXPECT_EQ(FormatGrouped(1234567), u"1,234,567");
  EXPECT_EQ(FormatGrouped(-1234), u"-1,234");
}

TEST(Dates, Calendar) {
  EXPECT_EQ(DaySerial({1899, 12, 30}), 0);
  EXPECT_EQ(DaySerial({1900, 3, 1}), 61);
  EXPECT_EQ(FromDaySerial(DaySerial({2000, 2, 29})), (DateTime{2000, 2, 29}));
  EXPECT_EQ(Weekday({2001, 5, 12}), 7);  // Saturday
  EXPECT_EQ(Weekday({2001, 5, 13}), 1);
  EXPECT_EQ(Weekday({1899, 12, 24}), 1);  // before day 0
  // 2001-01-01 was a Monday: week 1 runs to Saturday the 6th.
  EXPECT_EQ(WeekOfYear({2001, 1, 6}), 1);
  EXPECT_EQ(WeekOfYear({2001, 1, 7}), 2);
  EXPECT_EQ(WeekOfYear({2001, 1, 14}), 3);
  EXPECT_EQ(WeekOfYear({2001, 12, 31}), 53);
  EXPECT_TRUE(IsValidDate(2000, 2, 29));
  EXPECT_FALSE(IsValidDate(1900, 2, 29));
  EXPECT_FALSE(IsValidDate(2001, 4, 31));
}

TEST(Dates, ArithmeticAndFormats) {
  DateTime t{2000, 12, 31, 23, 59, 30};
  DateTime u = AddSeconds(t, 45);
  EXPECT_EQ(u, (DateTime{2001, 1, 1, 0, 0, 15}));
  EXPECT_EQ(SecondsBetween(t, u), 45);
  EXPECT_EQ(SecondsBetween(u, t), -45);
  EXPECT_EQ(AddSeconds(u, -45), t);
  EXPECT_EQ(FormatYmd(t), u"2000/12/31");
  EXPECT_EQ(FormatHm({2001, 1, 15, 9, 4, 2}), u"09:04");
  EXPECT_EQ(FormatStamp({2001, 1, 15, 9, 45, 2}), u"20010115-094502");
  EXPECT_EQ(FormatYmdHms({2001, 1, 15, 9, 45, 2}), u"2001/01/15 09:45:02");
}

TEST(Dates, ParseForms) {
  auto p = [](const char16_t* s) { return ParseDateTime(s); };
  EXPECT_EQ(p(u"2001/5/12 13:45"), (DateTime{2001, 5, 12, 13, 45, 0}));
  EXPECT_EQ(p(u"2001/05/12(土) 13:45"), (DateTime{2001, 5, 12, 13, 45, 0}));
  EXPECT_EQ(p(u" 2001-05-12 1:02:03 "), (DateTime{2001, 5, 12, 1, 2, 3}));
  EXPECT_EQ(p(u"2001年5月12日 13時45分"), (DateTime{2001, 5, 12, 13, 45, 0}));
  EXPECT_EQ(p(u"２００１／０５／１２"), (DateTime{2001, 5, 12}));
  EXPECT_EQ(p(u"01/5/12"), (DateTime{2001, 5, 12}));
  EXPECT_EQ(p(u"99/5/12"), (DateTime{1999, 5, 12}));
  EXPECT_EQ(p(u"2001/5/12"), (DateTime{2001, 5, 12, 0, 0, 0}));
  for (const char16_t* bad :
       {u"", u"later", u"2001/13/1", u"2001/2/29", u"2001/5", u"2001/5-12", u"2001/5/12 24:00",
        u"2001/5/12 1:60", u"2001/5/12 x", u"20010/5/12", u"13:45", u"2001/5/12(土曜日です) 1:00"})
    EXPECT_FALSE(p(bad).has_value()) << ToUtf8(bad);
}

}  // namespace
}  // namespace pellucor
