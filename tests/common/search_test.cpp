#include "common/search.h"

#include <gtest/gtest.h>

namespace pellucor {
namespace {

TEST(FindNth, CountsFromEitherEnd) {
  const Text t = u"abcabc";
  EXPECT_EQ(FindNth(t, u"bc", 1), 2);
  EXPECT_EQ(FindNth(t, u"bc", 2), 5);
  EXPECT_EQ(FindNth(t, u"bc", 3), 0);
  EXPECT_EQ(FindNth(t, u"bc", -1), 5);
  EXPECT_EQ(FindNth(t, u"bc", -2), 2);
  EXPECT_EQ(FindNth(t, u"bc", -3), 0);
  EXPECT_EQ(FindNth(u"aaaa", u"aa", 2), 2);
  EXPECT_EQ(FindNth(u"aaaa", u"aa", -2), 2);
  EXPECT_EQ(FindNth(u"aaaa", u"aa", -3), 1);
  EXPECT_EQ(FindNth(u"aaaa", u"aa", 3), 3);
}

TEST(FindNth, Limits) {
  const Text many(10000, u'x');
  EXPECT_EQ(FindNth(many, u"x", 0), 0);
  EXPECT_EQ(FindNth(many, u"x", 10000), 10000);
  EXPECT_EQ(FindNth(many, u"x", -10000), 1);
  EXPECT_EQ(FindNth(many + u"x", u"x", 10001), 0);
  EXPECT_EQ(FindNth(many + u"x", u"x", -10001), 0);
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"-1"), 5);
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"abc"), 0);
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"1.5"), 5);  // 2 after rounding
}

TEST(FindNth, EmptyNeedle) {
  EXPECT_EQ(FindNth(u"abc", u"", 1), 1);
  EXPECT_EQ(FindNth(u"abc", u"", 3), 3);
  EXPECT_EQ(FindNth(u"abc", u"", 4), 0);  // one past the end is not an occurrence
  EXPECT_EQ(FindNth(u"abc", u"", -1), 3);
  EXPECT_EQ(FindNth(u"abc", u"", -3), 1);
  EXPECT_EQ(FindNth(u"abc", u"", -4), 0);
  EXPECT_EQ(FindNth(u"", u"", 1), 0);
  EXPECT_EQ(FindNth(u"", u"", -1), 0);
}

TEST(FindLast, WindowOfStarts) {
  EXPECT_EQ(FindLast(u"a-b-c", u"-"), 4);
  EXPECT_EQ(FindLast(u"a-b-c", u"-", 1, 3), 2);
  EXPECT_EQ(FindLast(u"a-b-c", u"-", 5), 0);
  EXPECT_EQ(FindLast(u"a-b-c", u"-", 4, 4), 4);
  EXPECT_EQ(FindLast(u"a-b-c", u"-", 3, 3), 0);
  EXPECT_EQ(FindLast(u"abc", u"bcd"), 0);
  EXPECT_EQ(FindLast(u"", u"a"), 0);
  EXPECT_EQ(FindLast(u"xabc", u"abc", 1, 2), 2);  // begins inside, ends outside the window
  EXPECT_EQ(FindLast(u"aaa", u"aa"), 2);
  EXPECT_EQ(FindLast(u"a-b", u"-", 1, 100), 2);
  EXPECT_EQ(FindLast(u"a-b", u"-", 1, 0), 0);
  EXPECT_EQ(FindLast(u"a-b", u"-", -5, 3), 2);
}

TEST(FindLast, EmptyNeedle) {
  EXPECT_EQ(FindLast(u"abc", u""), 3);
  EXPECT_EQ(FindLast(u"abc", u"", 1, 2), 2);
  EXPECT_EQ(FindLast(u"abc", u"", 4), 0);
  EXPECT_EQ(FindLast(u"abc", u"", 3, 2), 0);
  EXPECT_EQ(FindLast(u"", u""), 0);
}

TEST(FindFrom, Basics) {
  EXPECT_EQ(FindFrom(u"abcabc", u"c"), 3);
  EXPECT_EQ(FindFrom(u"abcabc", u"c", 4), 6);
  EXPECT_EQ(FindFrom(u"abcabc", u"c", 7), 0);
  EXPECT_EQ(FindFrom(u"abc", u"", 3), 3);
  EXPECT_EQ(FindFrom(u"abc", u"", 4), 0);
}

TEST(ReplaceAll, Semantics) {
  EXPECT_EQ(ReplaceAll(u"aBRbbr", u"br", u"x", false), u"aBRbx");
  EXPECT_EQ(ReplaceAll(u"aBRbbr", u"br", u"x", true), u"axbx");
  EXPECT_EQ(ReplaceAll(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(ReplaceAll(u"a-b-c", u"-", u""), u"abc");
  EXPECT_EQ(ReplaceAll(u"aaa", u"aa", u"b"), u"ba");
  EXPECT_EQ(ReplaceAll(u"aa", u"a", u"aa"), u"aaaa");
  EXPECT_EQ(ReplaceAll(u"ＡＢｃ<BR>", u"ａｂ", u"-", true), u"-ｃ<BR>");
  EXPECT_EQ(ReplaceAll(u"x<Br>y", u"<bR>", u"\n", true), u"x\ny");
  EXPECT_EQ(ReplaceAll(u"", u"a", u"b"), u"");
}

}  // namespace
}  // namespace pellucor
