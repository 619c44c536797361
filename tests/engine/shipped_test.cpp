// The shipped definitions, end to end: a topic fetched from the fake board with the shipped
// board definition into each shipped output type. The HTML output's bytes are compared whole by
// the command line's tests; extraction of every item by the command line's extract.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <regex>

#include "support/run_fixture.h"

namespace pellucor::testing {
namespace {

using ::testing::AllOf;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::MatchesRegex;
using ::testing::Not;
using ::testing::StartsWith;

// Two runs of three messages each into each output type (by file name: _html, dat_2ch, text).
TEST(ShippedOutput, EveryTypeExpandsEveryMacro) {
  namespace fs = std::filesystem;
  // A dat line: five fields with "<>" (read as \x01 here) between them.
  const std::string dat_line = "([^\x01\r\n]*\x01){4}[^\x01\r\n]*\r\n";
  const ::testing::Matcher<std::string> expected[] = {
      AllOf(HasSubstr("<title>テスト用トピック</title>"), HasSubstr("\r\n</html>\r\n")),
      // One line per message, no footer slot after them.
      AllOf(StartsWith("投稿者2\x01\x01"
                       "2001/05/12(土) 09:00\x01 "),
            HasSubstr(" \x01テスト用トピック\r\n投稿者"), MatchesRegex("(" + dat_line + "){6}")),
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
    const std::string s =
        std::regex_replace(ToUtf8(DecodeCp932(f.Read("out/topic.html"))), std::regex("<>"), "\x01");
    // Line breaks come from the macros only.
    EXPECT_THAT(s, AllOf(expected[type], Not(HasSubstr("<@")), Not(ContainsRegex("(^|[^\r])\n"))))
        << type;
    if (type == 0) {
      EXPECT_THAT(
          ToUtf8(DecodeCp932(f.Read("out/topic_idx.html"))),
          HasSubstr("<a href=\"topic.html#m1\" target=\"main\">1 Re: 第1回の話題</a><br>\r\n"));
    }
  }
}

}  // namespace
}  // namespace pellucor::testing
