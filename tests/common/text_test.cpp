#include "common/text.h"

#include <gtest/gtest.h>

namespace pellucor {
namespace {

// The Microsoft table (0x5C the backslash, 0x8160 the full-width tilde, NEC and IBM rows). A
// lead byte with a trail byte is one character even when undefined; without one, the next byte
// is read on its own.
TEST(Cp932, Decode) {
  const std::pair<std::string_view, Text> cases[] = {
      {"a\\\x81\x60", u"a\\～"}, {"\x88\x9F\xB1", u"亜ｱ"}, {"\x87\x40", u"①"},
      {"\xFA\x40", u"ⅰ"},        {"\x85\x40\x41", u"?A"},  {"\x88\x41", u"?"},
      {"\x88 A", u"? A"},        {"\x88\r\n", u"?\r\n"},   {"\x80\xA0\xFD\xFE\xFF", u"?????"},
      {"a\x88", u"a?"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodeCp932(bytes), text) << ToUtf8(text);
  EXPECT_EQ(DecodeCp932(std::string_view("\0x", 2)), Text(u"\0x", 2));
}

TEST(Cp932, EncodeAndWidth) {
  EXPECT_EQ(EncodeCp932(u"亜ｱ～\\"), "\x88\x9F\xB1\x81\x60\\");
  EXPECT_EQ(EncodeCp932(u"a€😀b"), "a???b");  // each UTF-16 unit of the emoji is one "?"
  EXPECT_EQ(EncodeCp932(Text(u"\0", 1)), std::string("\0", 1));
  for (auto [c, width] : {std::pair{u'a', 1}, {u'ｱ', 1}, {u'亜', 2}, {u'€', 1}})
    EXPECT_EQ(Cp932Width(c), width) << ToUtf8(Text(1, c));  // "€" is written as "?"
  EXPECT_EQ(Cp932Length(u"a亜ｱ€"), 5u);
}

TEST(Cp932, RoundTripsEveryDefinedDoubleByteCode) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if ((lead > 0x9F && lead < 0xE0) || trail == 0x7F) continue;
      const Text t = DecodeCp932(std::string{char(lead), char(trail)});
      ASSERT_EQ(t.size(), 1u);
      if (t[0] == kCp932Default) continue;
      ++defined;
      // Duplicate codes (NEC and IBM rows) encode to one of them; it must decode the same.
      EXPECT_EQ(DecodeCp932(EncodeCp932(t)), t);
    }
  }
  EXPECT_GT(defined, 7000);
}

TEST(Utf8, RoundTripAndMalformed) {
  EXPECT_EQ(FromUtf8(ToUtf8(u"aé亜😀")), u"aé亜😀");
  EXPECT_EQ(ToUtf8(u"亜"), "\xE4\xBA\x9C");
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
  // A bad byte, an overlong form, an encoded surrogate, a cut-short end ("\x62" is "b").
  EXPECT_EQ(FromUtf8("a\xFF\x62|\xC0\xAF|\xED\xA0\x80|\xE4\xBA"),
            u"a\uFFFDb|\uFFFD\uFFFD|\uFFFD|\uFFFD");
}

TEST(TextHelpers, TrimUpperLineBreaks) {
  EXPECT_EQ(TrimSpaces(u"  a b \t "), u"a b \t");
  EXPECT_EQ(TrimSpaces(u"\u3000a\u3000"), u"\u3000a\u3000");
  EXPECT_EQ(TrimSpaces(u"   "), u"");
  EXPECT_EQ(UpperCase(u"aZｂé"), u"AZＢé");
  EXPECT_EQ(ReplaceLineBreaks(u"a\r\nb\rc\nd"), u"a\nb\nc\nd");
}

}  // namespace
}  // namespace pellucor
