// The shipped definitions, end to end: a topic fetched from the fake board with the shipped
// board definition into each shipped output type. The HTML output's bytes are compared whole by
// the command line's tests; extraction of every item by the command line's extract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/run_fixture.h"

namespace pellucor::testing {
namespace {

using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// Two runs of three messages each into each output type (by file name: _html, dat_2ch, text).
TEST(ShippedOutput, EveryTypeExpandsEveryMacro) {
  namespace fs = std::filesystem;
  const std::string dat_first = "投稿者2<><>2001/05/12(土) 09:00<> ";
  const ::testing::Matcher<std::string> expected[] = {
      AllOf(HasSubstr("<title>テスト用トピック</title>"), HasSubstr("\r\n</html>\r\n")),
      AllOf(StartsWith(dat_first), HasSubstr(" <>テスト用トピック\r\n投稿者")),
      AllOf(StartsWith("テスト用トピック\r\n"),
            HasSubstr(
                "No.2　Re: 第2回の話題\r\n投稿者：投稿者3　日時：2001/05/13 10:07　返信先：1\r\n")),
  };
  for (int type : {0, 1, 2}) {
    RunFixture f;
    for (const char* out : {"dat_2ch.out", "text.out"})
      fs::copy_file(fs::path(PELLUCOR_SOURCE_DIR) / "defs" / out, f.dir / out);
    f.program->catalog.outputs = RefreshOutputCatalog(f.program->directory, u"").entries;
    f.form.Combo_out().SetIndex(type);
    f.form.Check_CreateTitleIndex().SetValue(1);
    for (int count : {3, 6}) {
      f.http.count = count;
      EXPECT_EQ(f.Run(), RunOutcome::Finished);
    }
    std::string s = ToUtf8(DecodeCp932(f.Read("out/topic.html")));
    EXPECT_THAT(s, AllOf(expected[type], Not(HasSubstr("<@")))) << type;
    std::vector<int> fields;  // one line of five fields per message, no footer slot after it
    for (size_t b = 0, e; type == 1 && b < s.size(); b = e + 2) {
      e = std::min(s.find("\r\n", b), s.size());
      fields.push_back(1);
      for (size_t p = s.find("<>", b); p < e; p = s.find("<>", p + 2)) ++fields.back();
    }
    EXPECT_EQ(fields, std::vector<int>(type == 1 ? 6 : 0, 5)) << s;
    EXPECT_THAT(s, Not(ContainsRegex("(^|[^\r])\n")));  // line breaks come from the macros only
    if (type == 0) {
      EXPECT_THAT(
          ToUtf8(DecodeCp932(f.Read("out/topic_idx.html"))),
          HasSubstr("<a href=\"topic.html#m1\" target=\"main\">1 Re: 第1回の話題</a><br>\r\n"));
    }
  }
}

}  // namespace
}  // namespace pellucor::testing
