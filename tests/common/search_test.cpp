#include "common/search.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace pellucor {
namespace {

// Occurrences overlap; counting from the back mirrors counting from the front; an empty needle
// is found at every position 1..length; |n| past 10000 gives 0.
TEST(FindNth, CountsOverlapsFromEitherEnd) {
  const std::tuple<Text, Text, std::array<int64_t, 9>> cases[] = {
      // n = -4 .. 4
      {u"abcabc", u"bc", {0, 0, 2, 5, 0, 2, 5, 0, 0}},
      {u"aaaa", u"aa", {0, 1, 2, 3, 0, 1, 2, 3, 0}},
      {u"abc", u"", {0, 1, 2, 3, 0, 1, 2, 3, 0}},
      {u"", u"", {0, 0, 0, 0, 0, 0, 0, 0, 0}}};
  for (const auto& [text, needle, want] : cases)
    for (int n = -4; n <= 4; ++n)
      EXPECT_EQ(FindNth(text, needle, n), want[n + 4]) << ToUtf8(text) << " " << n;
  const Text many(10000, u'x');
  EXPECT_EQ(FindNth(many, u"x", 10000), 10000);
  EXPECT_EQ(FindNth(many, u"x", -10000), 1);
  EXPECT_EQ(FindNth(many + u"x", u"x", 10001), 0);
  EXPECT_EQ(FindNth(many + u"x", u"x", -10001), 0);
  // The count as the text of a number, rounded.
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"-1"), 5);
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"abc"), 0);
  EXPECT_EQ(FindNth(u"abcabc", u"bc", u"1.5"), 5);
}

// The window limits where an occurrence may begin, not where it ends; neither bound is clamped
// to the text, and -1 stands for its length.
TEST(FindLastAndFrom, Windows) {
  const std::tuple<Text, Text, int64_t, int64_t, int64_t> cases[] = {
      {u"a-b-c", u"-", 1, -1, 4}, {u"a-b-c", u"-", 1, 3, 2},  {u"a-b-c", u"-", 5, -1, 0},
      {u"a-b-c", u"-", 4, 4, 4},  {u"a-b-c", u"-", 3, 3, 0},  {u"abc", u"bcd", 1, -1, 0},
      {u"", u"a", 1, -1, 0},      {u"xabc", u"abc", 1, 2, 2}, {u"aaa", u"aa", 1, -1, 2},
      {u"a-b", u"-", 1, 100, 2},  {u"a-b", u"-", 1, 0, 0},    {u"a-b", u"-", -5, 3, 2},
      {u"abc", u"", 1, -1, 3},    {u"abc", u"", 1, 2, 2},     {u"abc", u"", 4, -1, 0},
      {u"abc", u"", 3, 2, 0},     {u"", u"", 1, -1, 0}};
  for (const auto& [text, needle, start, last, want] : cases)
    EXPECT_EQ(FindLast(text, needle, start, last), want)
        << ToUtf8(text + u"|" + needle) << " " << start;
  EXPECT_EQ(FindFrom(u"abcabc", u"c", 4), 6);
  EXPECT_EQ(FindFrom(u"abcabc", u"c", 7), 0);
  EXPECT_EQ(FindFrom(u"abc", u"", 3), 3);
}

// Left to right, non-overlapping; ignoring case folds ASCII and full-width letters and keeps
// the text's own characters.
TEST(ReplaceAll, Semantics) {
  // clang-format off
  const std::tuple<const char16_t*, const char16_t*, const char16_t*, bool, const char16_t*> cases[] = {
      {u"aBRbbr", u"br", u"x", false, u"aBRbx"}, {u"aBRbbr", u"br", u"x", true, u"axbx"},
      {u"ＡＢｃ<BR>", u"ａｂ", u"-", true, u"-ｃ<BR>"}, {u"x<Br>y", u"<bR>", u"\n", true, u"x\ny"},
      {u"aaa", u"aa", u"b", false, u"ba"}, {u"aa", u"a", u"aa", false, u"aaaa"},
      {u"a-b-c", u"-", u"", false, u"abc"}, {u"abc", u"", u"x", false, u"abc"},
      {u"", u"a", u"b", false, u""}};
  // clang-format on
  for (const auto& [text, from, to, fold, want] : cases)
    EXPECT_EQ(ReplaceAll(text, from, to, fold), want) << ToUtf8(Text(text) + u"|" + from);
}

}  // namespace
}  // namespace pellucor
