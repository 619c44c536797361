// The fast paths of decoding and encoding against the plain form of their rules: the page
// rewritten byte by byte into Shift_JIS and read through code page 932 (a Shift_JIS page read
// as it is), the page prepared after decoding, and one table look-up per character. Inputs cover
// every code, the bytes around the escapes and markers, random bytes, dense pages in every
// encoding, and pages cut in the middle of a character.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "common/cp932_tables.h"
#include "engine/decode.h"
#include "engine/extract.h"
#include "support/board_pages.h"

namespace pellucor {
namespace {

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
