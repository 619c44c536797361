// pellucor-cli extract, run as a process against saved pages.
#include <gmock/gmock.h>

#include "cli_process.h"
#include "support/board_pages.h"

namespace pellucor::testing {
namespace {

using ::testing::HasSubstr;

class CliExtract : public ::testing::Test {
 protected:
  std::string Write(const char16_t* name, const std::string& bytes) {
    folder_.Write(name, bytes);
    return ToUtf8(folder_.Path(name));
  }
  CliResult Extract(std::vector<std::string> args) {
    args.insert(args.begin(), "extract");
    return RunCli(args);
  }
  ScratchFolder folder_;
};

TEST_F(CliExtract, PrintsEveryItemOfTheShippedBoard) {
  BoardMessage m = SampleMessage(3, 9);
  m.body = u"一行目\n<a href=\"x\">二</a>\tタブ";
  std::string page = Write(u"page.html", EncodePage(MakeBoardPage(m), Encoding::EucJp));
  CliResult r = Extract({"--bbs_file=_yahoo.bbs", page});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,  // the page's TAB is dropped
      "タイトル=テスト用トピック\n題名=Re: 第3回の話題\n本文=一行目<br><a href=\"x\">二</a>タブ\n"
      "投稿年月日=2001/05/14 11:14\n最大メッセージ数=9\n投稿者=投稿者4\n返信先=2\n"
      "topic=テスト用トピック\n");
}

// A board from any folder; the line breaks and tabs it keeps are printed escaped.
TEST_F(CliExtract, BoardFromItsFolderCharchangeOverrideAndEscapes) {
  std::string bbs =
      Write(u"k.bbs", EncodeCp932(u"[basic]\r\nitem_cnt=1\r\ncrlftab_neglect=1\r\n"
                                  u"[item1]\r\nname=本文\r\nbf_from=<p>\r\naf_from=</p>\r\n"));
  std::string page = Write(u"p.html", EncodeCp932(u"<p>漢字\r\n\tx</p>"));
  CliResult r = Extract({"--bbs_file=" + bbs, "--charchange=1", page});
  EXPECT_EQ(r.out, "本文=漢字\\r\\n\\tx\ntopic=\n") << r.err;
}

TEST_F(CliExtract, NothingFoundAndErrors) {
  std::string page = Write(u"empty.html", "<html>404</html>");
  CliResult r = Extract({"--bbs_file=_yahoo.bbs", page});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("タイトル=\n"));
  EXPECT_EQ(Extract({"--bbs_file", "_yahoo.bbs", page}).status, 1);  // the value is not the page
  r = Extract({"--bbs_file=" + Write(u"bad.bbs", "[basic]\r\nitem_cnt=11\r\n"), page});
  EXPECT_EQ(std::pair(r.status, r.out), std::pair(2, std::string()));
  EXPECT_THAT(r.err, HasSubstr("Pellucor: 取得アイテム数が不正です[basic] item_cnt=11\n"));
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"--bbs_file=missing.bbs", page},
           {"--bbs_file=_yahoo.bbs", "--out_file=missing.out", page},
           {"--bbs_file=_yahoo.bbs"}})
    EXPECT_EQ(Extract(args).status, 2) << args.back();
}

}  // namespace
}  // namespace pellucor::testing
