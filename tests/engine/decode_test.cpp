#include "engine/decode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <vector>

namespace pellucor {
namespace {

// glibc's EUC-JP-MS reading of one code, nothing where it does not define it.
std::optional<Text> IconvEucJpMs(std::string in) {
  static const iconv_t cd = iconv_open("UTF-8", "EUC-JP-MS");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  char out[16];
  char *ip = in.data(), *op = out;
  size_t il = in.size(), ol = sizeof out;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  if (iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1) || il != 0) return std::nullopt;
  return FromUtf8(std::string_view(out, op - out));
}

// Rows 85-94 are the user-defined area, which EUC-JP-MS reads as private-use characters; the
// pair arithmetic takes them to Shift_JIS leads 0xEB-0xEF instead, read through code page 932.
TEST(Decode, EveryJisX0208CodeMatchesIconv) {
  int compared = 0;
  for (int row = 1; row <= 84; ++row) {
    for (int cell = 1; cell <= 94; ++cell) {
      const std::string euc{char(0xA0 + row), char(0xA0 + cell)};
      std::optional<Text> want = IconvEucJpMs(euc);
      if (!want || want->size() != 1) continue;
      ++compared;
      const std::string jis =
          "\x1B$B" + std::string{char(0x20 + row), char(0x20 + cell)} + "\x1B(B";
      ASSERT_EQ(ConvertEucPage(euc), *want) << "row " << row << " cell " << cell;
      ASSERT_EQ(ConvertJisPage(jis), *want) << "row " << row << " cell " << cell;
    }
  }
  EXPECT_GE(compared, 6879);                     // all of JIS X 0208 at least
  EXPECT_EQ(ConvertEucPage("\xF9\xA1"), u"纊");  // Shift_JIS 0xED40, an IBM extension
  EXPECT_EQ(ConvertJisPage("\x1B$B\x79\x21"), u"纊");
  EXPECT_EQ(ConvertEucPage("\xF5\xA1"), u"?");  // 0xEB40 is not in code page 932
  EXPECT_EQ(ConvertEucPage("\xFE\xFE"), u"?");
}

// EUC-JP (charchange 0): pairs by the arithmetic, whatever their bytes; after 0x8E a half-width
// katakana or an ASCII byte gets its full-width form (voiced marks stay separate), anything else
// the default character; 0x8F pairs with the next byte only; a byte left after the pairs is
// kept, a lone lead byte becomes "?".
TEST(Decode, EucPages) {
  // clang-format off
  const std::pair<std::string_view, Text> cases[] = {
      {"\x8E\x41\x8E ", u"Ａ\u3000"}, {"\x8F\xB0\xA1\x62", u"?≠"}, {"a\xB0\xA1z", u"a亜z"},
      {"\x8E\x81z", u"?z"}, {"\xB0<p>", u"絢p>"}, {"\xA1\x01z", u"?z"}, {"ab\xE0", u"ab?"},
      {"a\xB0", u"aｰ"}, {"\x8E", u"?"}, {"\x8E\xB6\x8E\xDE\x8E\xA1\x8E\xB0", u"カ゛。ー"}};
  // clang-format on
  for (const auto& [bytes, text] : cases) EXPECT_EQ(DecodePage(bytes, 0), text) << ToUtf8(text);
  EXPECT_EQ(EucToShiftJis("\xB0\xA1"), "\x88\x9F");
}

// JIS (any charchange but 0 and 1): ESC $ B starts pairs, ESC ( B and ESC ( J end them; any
// other escape is ordinary bytes, and so is the byte after a recognised one. CR and LF pass
// inside a run; outside one, high bytes read as Shift_JIS.
TEST(Decode, JisPages) {
  using Cases = std::vector<std::pair<std::string_view, Text>>;
  const Cases escapes = {
      {"\x1B$B\x30\x21\x1B(BA", u"亜A"}, {"\x1B$B\x30\x21\x1B(JA", u"亜A"},
      {"a\x1B(I1", u"a\x1B(I1"},         {"\x1B$B\x30\x21\r\n\x30\x21\x1B(B", u"亜\r\n亜"},
      {"\x88\x9F\xB1x", u"亜ｱx"},        {"\x1B(B\x1B$B\x30\x21", u"\x1B$B0!"}};
  // An escape with at most one byte after it ends the page, and that byte is kept.
  const Cases ends = {{"ab\x1B(B", u"ab"},           {"ab\x1B(Bc", u"abc"},   {"ab\x1B$B", u"ab"},
                      {"ab\x1B$B\x30", u"ab0"},      {"ab\x1B(", u"ab\x1B("}, {"x\x88", u"x?"},
                      {"\x1B$B\x30\x21\x30", u"亜0"}};
  // In a run, bytes up to 0x1D pass alone and 0x1E-0x20 pair; a pair that leaves the byte range
  // is one "?".
  const Cases malformed = {{"\x1B$B\x1D\x30\x21", u"\x1D亜"},  {"\x1B$B\x20\x21z", u"◆z"},
                           {"\x1B$B\x1E\x21z", u"?z"},         {"\x1B$B\xA0\x21\x30\x21", u"?亜"},
                           {"\x1B$B\x30\xF0\x30\x21", u"?亜"}, {"\x1B$B\x31\xF0\x30\x21", u"?亜"}};
  for (const Cases* cases : {&escapes, &ends, &malformed})
    for (const auto& [bytes, text] : *cases)
      for (int charchange : {2, 7}) EXPECT_EQ(DecodePage(bytes, charchange), text) << ToUtf8(text);
}

}  // namespace
}  // namespace pellucor
