#include "engine/decode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>

#include "support/board_pages.h"

namespace pellucor {
namespace {

// glibc's EUC-JP-MS reading of one code, nothing where it does not define it.
std::optional<Text> IconvEucJpMs(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-16LE", "EUC-JP-MS");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char out[16];
  char* ip = const_cast<char*>(bytes.data());
  char* op = out;
  size_t il = bytes.size();
  size_t ol = sizeof out;
  size_t r = iconv(cd, &ip, &il, &op, &ol);
  iconv_close(cd);
  if (r == static_cast<size_t>(-1) || il != 0) return std::nullopt;
  Text t;
  for (char* q = out; q + 1 < op; q += 2)
    t.push_back(static_cast<char16_t>(static_cast<unsigned char>(q[0]) |
                                      (static_cast<unsigned char>(q[1]) << 8)));
  return t;
}

// Rows 85-94 are the user-defined area, which EUC-JP-MS reads as private-use characters; the
// pair arithmetic takes them to Shift_JIS leads 0xEB-0xEF instead (see UserDefinedRows).
TEST(Decode, EveryJisX0208CodeMatchesIconv) {
  int compared = 0;
  for (int row = 1; row <= 84; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      const std::string euc{static_cast<char>(0xA0 + row), static_cast<char>(0xA0 + cell)};
      std::optional<Text> want = IconvEucJpMs(euc);
      if (!want || want->size() != 1) continue;
      ++compared;
      const std::string jis = std::string("\x1B$B") + static_cast<char>(0x20 + row) +
                              static_cast<char>(0x20 + cell) + "\x1B(B";
      ASSERT_EQ(ConvertEucPage(euc), *want) << "row " << row << " cell " << cell;
      ASSERT_EQ(ConvertJisPage(jis), *want) << "row " << row << " cell " << cell;
    }
  }
  EXPECT_GE(compared, 6879);  // all of JIS X 0208 at least
}

TEST(Decode, UserDefinedRows) {
  EXPECT_EQ(ConvertEucPage("\xF9\xA1"), u"纊");  // Shift_JIS 0xED40, an IBM extension
  EXPECT_EQ(ConvertJisPage("\x1B$B\x79\x21"), u"纊");
  EXPECT_EQ(ConvertEucPage("\xF5\xA1"), u"?");  // 0xEB40 is not in code page 932
  EXPECT_EQ(ConvertEucPage("\xFE\xFE"), u"?");
}

TEST(Decode, EucPages) {
  EXPECT_EQ(ConvertEucPage("\xB0\xA1"), u"亜");  // Shift_JIS 0x889F
  EXPECT_EQ(EucToShiftJis("\xB0\xA1"), "\x88\x9F");
  EXPECT_EQ(ConvertEucPage("a<b>\r\n"), u"a<b>\r\n");
  // Half-width katakana become full-width; voiced marks stay separate characters.
  EXPECT_EQ(ConvertEucPage("\x8E\xB1"), u"ア");
  EXPECT_EQ(ConvertEucPage("\x8E\xB6\x8E\xDE\x8E\xA1\x8E\xB0"), u"カ゛。ー");
  // After the marker: an ASCII byte gets its wide form, a lead byte the default character.
  EXPECT_EQ(ConvertEucPage("\x8E"
                           "A"
                           "\x8E "),
            u"Ａ\u3000");
  EXPECT_EQ(ConvertEucPage("\x8E\x81z"), u"?z");
  // 0x8F pairs with the next byte; the third byte starts the next step.
  EXPECT_EQ(ConvertEucPage("\x8F\xB0\xA1"
                           "b"),
            u"?≠");  // (0x8F 0xB0) then (0xA1 b)
  // The end rule: a byte left over after the pairs is kept; a lone lead becomes "?".
  EXPECT_EQ(ConvertEucPage("abc"), u"abc");
  EXPECT_EQ(ConvertEucPage("a\xB0\xA1z"), u"a亜z");
  EXPECT_EQ(ConvertEucPage("ab\xE0"), u"ab?");
  EXPECT_EQ(ConvertEucPage("\xB0"), u"ｰ");  // kept as it is: a Shift_JIS katakana byte
  EXPECT_EQ(ConvertEucPage(""), u"");
  // A high byte followed by an ASCII byte still takes both as one pair.
  EXPECT_EQ(ConvertEucPage("\xB0<p>"), u"絢p>");
  EXPECT_EQ(ConvertEucPage("\xA1\x01z"), u"?z");  // trail byte out of range
}

TEST(Decode, JisPages) {
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\x21\x1B(BA"), u"亜A");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\x21\x1B(JA"), u"亜A");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\x21\x30\x22\x1B(B"), u"亜唖");
  // ESC ( I is not recognised: ESC, "(" and "I" are ordinary bytes.
  EXPECT_EQ(ConvertJisPage("a\x1B(I1"), u"a\x1B(I1");
  // Line breaks inside a kanji run survive.
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\x21\r\n\x30\x21\x1B(B"), u"亜\r\n亜");
  // Outside two-byte mode high bytes read as Shift_JIS.
  EXPECT_EQ(ConvertJisPage("\x88\x9F\xB1x"), u"亜ｱx");
  // The byte after a recognised escape is not tested for another escape.
  EXPECT_EQ(ConvertJisPage("\x1B(B\x1B$B\x30\x21"), u"\x1B$B0!");
}

TEST(Decode, JisPageEnds) {
  EXPECT_EQ(ConvertJisPage("ab\x1B(B"), u"ab");    // ends right after the escape
  EXPECT_EQ(ConvertJisPage("ab\x1B(Bc"), u"abc");  // one byte after it: the end rule
  EXPECT_EQ(ConvertJisPage("ab\x1B(Bcd"), u"abcd");
  EXPECT_EQ(ConvertJisPage("ab\x1B$B"), u"ab");
  EXPECT_EQ(ConvertJisPage("ab\x1B$B\x30"), u"ab0");  // a lone byte after ESC $ B
  EXPECT_EQ(ConvertJisPage("ab\x1B("), u"ab\x1B(");   // too short for an escape
  EXPECT_EQ(ConvertJisPage("a\x1B"), u"a\x1B");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\x21\x30"), u"亜0");
  EXPECT_EQ(ConvertJisPage("x\x88"), u"x?");
}

TEST(Decode, MalformedJisTwoByteRuns) {
  // Bytes 0x1D and below pass as single bytes; 0x1E-0x20 pair with the next byte.
  EXPECT_EQ(ConvertJisPage("\x1B$B\x1D\x30\x21"), u"\x1D亜");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x20\x21z"), u"◆z");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x1E\x21z"), u"?z");
  // A first byte above 0x9E or a second byte past the byte range: one "?" per pair.
  EXPECT_EQ(ConvertJisPage("\x1B$B\xA0\x21\x30\x21"), u"?亜");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x30\xF0\x30\x21"), u"?亜");
  EXPECT_EQ(ConvertJisPage("\x1B$B\x31\xF0\x30\x21"), u"?亜");
}

TEST(Decode, DecodePageChoosesByCharchange) {
  const std::string sjis = "\x88\x9F\x81\x60\\";
  EXPECT_EQ(DecodePage(sjis, 1), u"亜～\\");
  EXPECT_EQ(DecodePage(sjis, 1), DecodeCp932(sjis));
  EXPECT_EQ(DecodePage("\xB0\xA1", 0), u"亜");
  EXPECT_EQ(DecodePage("\x1B$B\x30\x21", 2), u"亜");
  EXPECT_EQ(DecodePage("\x1B$B\x30\x21", 7), u"亜");
}

TEST(Decode, BoardPagesInEveryEncoding) {
  using namespace pellucor::testing;
  const Text page = MakeBoardPage(SampleMessage(3)) + u"漢字カナ\r\nｶﾀｶﾅ\r\n";
  const Text wide = MakeBoardPage(SampleMessage(3)) + u"漢字カナ\r\nカタカナ\r\n";
  EXPECT_EQ(DecodePage(EncodePage(page, Encoding::ShiftJis), 1), page);
  EXPECT_EQ(DecodePage(EncodePage(page, Encoding::EucJp), 0), wide);
  EXPECT_EQ(DecodePage(EncodePage(wide, Encoding::Iso2022Jp), 2), wide);
}

}  // namespace
}  // namespace pellucor
