// The shipped definitions, end to end: a topic fetched from the fake board with the shipped
// board definition into each shipped output type. Extraction of every item is checked exactly
// with the command line's extract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "support/run_fixture.h"

namespace pellucor::testing {
namespace {

// Two runs of three messages each into the output type at `type` (by file name: _html, dat_2ch,
// text); the output file's text in UTF-8.
std::string Collect(RunFixture& f, int type) {
  namespace fs = std::filesystem;
  for (const char* out : {"dat_2ch.out", "text.out"})
    fs::copy_file(fs::path(PELLUCOR_SOURCE_DIR) / "defs" / out, f.dir / out);
  f.program->catalog.outputs = RefreshOutputCatalog(f.program->directory, u"").entries;
  f.form.Combo_out().SetIndex(type);
  f.form.Check_CreateTitleIndex().SetValue(1);
  for (int count : {3, 6}) {
    f.http.count = count;
    EXPECT_EQ(f.Run(), RunOutcome::Finished);
  }
  return ToUtf8(DecodeCp932(f.Read("out/topic.html")));
}

using ::testing::HasSubstr;
using ::testing::Not;

// "" when every element that is not void is closed by its own end tag, in order; else the fault.
std::string CheckHtmlNesting(const std::string& s) {
  static const std::regex kTag(
      "<!--[\\s\\S]*?-->|<(/?)(?!(?:br|hr|meta|img|input|link)\\b)([a-z][a-z0-9]*)[^>]*>",
      std::regex::icase);
  std::vector<std::string> open;
  for (std::sregex_iterator i(s.begin(), s.end(), kTag), end; i != end; ++i) {
    if (!(*i)[2].matched) continue;  // a comment
    if (!(*i)[1].length())
      open.push_back((*i)[2]);
    else if (open.empty() || open.back() != (*i)[2])
      return "unmatched </" + (*i)[2].str();
    else
      open.pop_back();
  }
  return open.empty() ? "" : "unclosed <" + open.back();
}

TEST(ShippedOutput, HtmlIsWellFormed) {
  RunFixture f;
  std::string html = Collect(f, 0);
  EXPECT_EQ(CheckHtmlNesting(html), "") << html;
  EXPECT_THAT(html, Not(HasSubstr("<@")));
  EXPECT_THAT(html, HasSubstr("<title>テスト用トピック</title>"));
  EXPECT_THAT(html, HasSubstr("\r\n</html>\r\n"));
  // Line breaks come from the macros only: every one is CR LF.
  for (size_t i = html.find('\n'); i != std::string::npos; i = html.find('\n', i + 1))
    ASSERT_TRUE(i > 0 && html[i - 1] == '\r') << i;
  EXPECT_THAT(ToUtf8(DecodeCp932(f.Read("out/topic_idx.html"))),
              HasSubstr("<a href=\"topic.html#m1\" target=\"main\">1 Re: 第1回の話題</a><br>\r\n"));
}

TEST(ShippedOutput, PlainText) {
  RunFixture f;
  std::string text = Collect(f, 2);
  EXPECT_THAT(text, Not(HasSubstr("<@")));
  EXPECT_TRUE(text.starts_with("テスト用トピック\r\n"));
  EXPECT_THAT(
      text,
      HasSubstr("No.2　Re: 第2回の話題\r\n投稿者：投稿者3　日時：2001/05/13 10:07　返信先：1\r\n"));
}

TEST(ShippedOutput, DatHasOneLineOfFiveFieldsPerMessage) {
  RunFixture f;
  std::string dat = Collect(f, 1);
  size_t lines = 0;
  for (size_t s = 0, e; (e = dat.find("\r\n", s)) != std::string::npos; s = e + 2, ++lines) {
    size_t fields = 1;
    for (size_t p = s; (p = dat.find("<>", p)) < e; p += 2) ++fields;
    EXPECT_EQ(fields, 5u) << dat.substr(s, e - s);
  }
  EXPECT_EQ(lines, 6u) << dat;
  EXPECT_TRUE(dat.ends_with("\r\n"));  // no footer slot, no padding
  EXPECT_TRUE(dat.starts_with("投稿者2<><>2001/05/12(土) 09:00<> "));
  EXPECT_TRUE(dat.substr(0, dat.find("\r\n")).ends_with(" <>テスト用トピック"));
}

}  // namespace
}  // namespace pellucor::testing
