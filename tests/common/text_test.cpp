#include "common/text.h"

#include <gtest/gtest.h>

namespace pellucor {
namespace {

TEST(Cp932, DecodesMicrosoftTable) {
  // 0x5C is the backslash and 0x8160 the full-width tilde in the Microsoft table.
  EXPECT_EQ(DecodeCp932("a\\\x81\x60"), u"a\\～");
  EXPECT_EQ(DecodeCp932("\x88\x9F\xB1"), u"亜ｱ");
  EXPECT_EQ(DecodeCp932("\x87\x40"), u"①");  // NEC special row
  EXPECT_EQ(DecodeCp932("\xFA\x40"), u"ⅰ");  // IBM extension
}

TEST(Cp932, UndefinedAndCutShortBecomeDefaultCharacter) {
  // A lead byte with a valid trail byte is one character even when undefined.
  EXPECT_EQ(DecodeCp932("\x85\x40"
                        "A"),
            u"?A");
  // A lead byte with an invalid trail byte: the trail byte is read on its own.
  EXPECT_EQ(DecodeCp932("\x88"
                        " A"),
            u"? A");
  EXPECT_EQ(DecodeCp932("\x88"
                        "A"),
            u"?");  // 0x41 is a trail byte: one undefined code
  EXPECT_EQ(DecodeCp932("\x88\x0D\x0A"), u"?\r\n");
  // Undefined single bytes, and a lone lead byte at the end.
  EXPECT_EQ(DecodeCp932("\x80\xA0\xFD\xFE\xFF"), u"?????");
  EXPECT_EQ(DecodeCp932("a\x88"), u"a?");
  EXPECT_EQ(DecodeCp932(std::string_view("\0x", 2)), Text(u"\0x", 2));
}

TEST(Cp932, EncodeReplacesUnrepresentable) {
  EXPECT_EQ(EncodeCp932(u"亜ｱ～\\"), "\x88\x9F\xB1\x81\x60\\");
  EXPECT_EQ(EncodeCp932(u"a€😀b"), "a???b");  // each UTF-16 unit of the emoji is one "?"
  EXPECT_EQ(EncodeCp932(Text(u"\0", 1)), std::string("\0", 1));
}

TEST(Cp932, WidthCountsBytes) {
  EXPECT_EQ(Cp932Width(u'a'), 1);
  EXPECT_EQ(Cp932Width(u'ｱ'), 1);
  EXPECT_EQ(Cp932Width(u'亜'), 2);
  EXPECT_EQ(Cp932Width(u'€'), 1);  // written as "?"
  EXPECT_EQ(Cp932Length(u"a亜ｱ€"), 5u);
  EXPECT_EQ(Cp932Length(u"a亜ｱ€"), EncodeCp932(u"a亜ｱ€").size());
}

TEST(Cp932, RoundTripsEveryDefinedDoubleByteCode) {
  int defined = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (lead > 0x9F && lead < 0xE0) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
      Text t = DecodeCp932(bytes);
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
  const Text t = u"aé亜😀";
  EXPECT_EQ(FromUtf8(ToUtf8(t)), t);
  EXPECT_EQ(ToUtf8(u"亜"), "\xE4\xBA\x9C");
  EXPECT_EQ(FromUtf8("a\xFF"
                     "b"),
            u"a\uFFFDb");
  EXPECT_EQ(FromUtf8("\xE4\xBA"), u"\uFFFD");        // cut short
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD");    // encoded surrogate
  EXPECT_EQ(ToUtf8(Text(1, char16_t(0xD800))), "\xEF\xBF\xBD");
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
