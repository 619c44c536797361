// Decoding against glibc's reading and by the rules case by case; then the fast paths of
// decoding and encoding against the plain form of their rules: the page rewritten byte by byte
// into Shift_JIS and read through code page 932 (a Shift_JIS page read as it is), the page
// prepared after decoding, and one table look-up per character. Inputs cover every code, the
// bytes around the escapes and markers, random bytes, dense pages in every encoding, and pages
// cut in the middle of a character.
#include "engine/decode.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/cp932_tables.h"
#include "engine/extract.h"
#include "support/board_pages.h"

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

std::string PlainEncode(TextView text) {
  const Cp932Tables& t = GetCp932Tables();
  std::string out;
  for (char16_t c : text) {
    const uint16_t code = t.encode[c];
    if (code == Cp932Tables::kNoCode)
      out += '?';
    else if (code > 0xFF)
      out += {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    else
      out += static_cast<char>(code);
  }
  return out;
}

Text WithoutBreaks(Text t) {
  std::erase_if(t, [](char16_t c) { return c == u'\t' || c == u'\n' || c == u'\r'; });
  return t;
}

void ExpectSameDecoding(const std::string& bytes, const std::string& what) {
  ASSERT_EQ(ConvertEucPage(bytes), DecodeCp932(EucToShiftJis(bytes))) << "EUC-JP: " << what;
  ASSERT_EQ(ConvertJisPage(bytes), DecodeCp932(JisToShiftJis(bytes))) << "JIS: " << what;
  ASSERT_EQ(DecodePage(bytes, 1), DecodeCp932(bytes)) << "Shift_JIS: " << what;
  // A page prepared while it is decoded, with nothing to cut, something to cut, and line
  // breaks kept.
  BoardDefinition cut, with_breaks;
  cut.cut_bf = 3, cut.cut_af = 5;
  with_breaks.crlftab_neglect = u"1";
  for (int charchange : {0, 1, 2}) {
    const Text text = DecodePage(bytes, charchange);
    ASSERT_EQ(DecodePageWithoutBreaks(bytes, charchange), WithoutBreaks(text)) << what;
    for (BoardDefinition def : {BoardDefinition(), cut, with_breaks}) {
      def.charchange = charchange;
      ASSERT_EQ(DecodePreparedPage(bytes, def), PreparePage(text, def)) << what;
    }
  }
}

// Bytes that steer the converters, and some ordinary ones.
constexpr unsigned char kSteering[] = {0x1B, '$',  'B',  '(',  'J',  '\r', '\n', '\t', 0x1D, 0x1E,
                                       0x20, 0x21, 0x30, 0x7E, 0x7F, 0x80, 0x8E, 0x8F, 0xA0, 0xA1,
                                       0xB0, 0xDF, 0xE0, 0xFC, 0xFD, 0xFF, 'a',  '<'};

std::vector<std::pair<std::string, std::string>> Inputs() {
  std::vector<std::pair<std::string, std::string>> in;
  std::mt19937 rnd(12);
  auto filler = [&] { return std::string(rnd() % 20, 'x'); };  // moves the blocks' phase
  std::string euc, jis = "\x1B$B", every_pair, kana;
  for (int c1 = 0x21; c1 <= 0x7E; ++c1) {
    for (int c2 = 0x21; c2 <= 0x7E; ++c2) {
      euc += {char(c1 | 0x80), char(c2 | 0x80)};
      jis += {char(c1), char(c2)};
      if (rnd() % 16 == 0) euc += filler(), jis += "\x1B(B" + filler() + "\x1B$B";
    }
  }
  for (int c1 = 0; c1 < 256; ++c1) {
    for (int c2 = 0; c2 < 256; ++c2) every_pair += {char(c1), char(c2)};
    kana += {'\x8E', char(c1)};
    if (c1 % 7 == 0) kana += filler();
  }
  in.emplace_back(euc, "every JIS X 0208 pair in EUC-JP");
  in.emplace_back(jis, "every JIS X 0208 pair in JIS");
  in.emplace_back(every_pair, "every byte pair");
  in.emplace_back(every_pair.substr(1), "every byte pair, shifted");
  in.emplace_back(kana, "0x8E before every byte");
  for (int k = 0; k < 300; ++k) {
    std::string s;
    for (size_t len = rnd() % 200; len > 0; --len)
      s += static_cast<char>(rnd() % 3 ? kSteering[rnd() % sizeof kSteering] : rnd() % 256);
    in.emplace_back(s, "random " + std::to_string(k));
  }
  using namespace pellucor::testing;
  for (Encoding e : {Encoding::EucJp, Encoding::Iso2022Jp, Encoding::ShiftJis}) {
    BoardMessage m = SampleMessage(1);
    m.body += u"\n" + DenseMessageText(7, 1, 3000, e);
    const std::string page = EncodePage(MakeBoardPage(m), e);
    for (size_t cut = 0; cut < 40; ++cut)  // ends in the middle of characters and escapes
      in.emplace_back(page.substr(0, page.size() - cut),
                      "dense page cut by " + std::to_string(cut));
  }
  return in;
}

TEST(CodeFastPaths, DecodingMatchesThePlainRules) {
  for (const auto& [bytes, what] : Inputs()) ExpectSameDecoding(bytes, what);
}

TEST(CodeFastPaths, TablesAskedInBatchesMatchTablesAskedCodeByCode) {
  const Cp932Tables batched = BuildCp932Tables(), plain = BuildCp932Tables(true);
  // Compared whole: printing tables of 64K entries on a failure would help nobody.
  EXPECT_TRUE(
      std::tie(batched.single, batched.pair, batched.encode, batched.is_lead, batched.is_trail) ==
      std::tie(plain.single, plain.pair, plain.encode, plain.is_lead, plain.is_trail));
}

TEST(CodeFastPaths, EncodingMatchesThePlainTable) {
  Text every;
  for (unsigned c = 0; c < 0x10000; ++c) every += static_cast<char16_t>(c);
  std::vector<Text> texts = {every, every.substr(3)};
  for (const auto& [bytes, what] : Inputs()) texts.push_back(DecodeCp932(bytes));
  for (const Text& t : texts) ASSERT_EQ(EncodeCp932(t), PlainEncode(t));
}

}  // namespace
}  // namespace pellucor
