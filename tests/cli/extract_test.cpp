// pellucor-cli extract, run as a process against saved pages.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/files.h"
#include "support/board_pages.h"

namespace pellucor {
namespace {

struct Result {
  int status = -1;
  std::string out, err;
};

class CliExtract : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pellucor-cli-extract-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string Write(const std::string& name, const std::string& bytes) {
    std::string p = dir_ + "/" + name;
    std::ofstream(p, std::ios::binary) << bytes;
    return p;
  }
  static std::string Slurp(const std::string& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  Result Run(const std::string& args) {
    std::string cmd = "env -u PELLUCOR_HOME " PELLUCOR_BIN_DIR "/pellucor-cli " + args + " >" +
                      dir_ + "/out 2>" + dir_ + "/err </dev/null";
    int rc = std::system(cmd.c_str());
    Result r;
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.out = Slurp(dir_ + "/out");
    r.err = Slurp(dir_ + "/err");
    return r;
  }
  std::string dir_;
};

TEST_F(CliExtract, PrintsEveryItemOfTheShippedBoard) {
  testing::BoardMessage m = testing::SampleMessage(3, 9);
  m.body = u"一行目\n<a href=\"x\">二</a>\tタブ";
  std::string page =
      Write("page.html", testing::EncodePage(testing::MakeBoardPage(m), testing::Encoding::EucJp));
  Result r = Run("extract --bbs_file=_yahoo.bbs " + page);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            "タイトル=テスト用トピック\n"
            "題名=Re: 第3回の話題\n"
            "本文=一行目<br><a href=\"x\">二</a>タブ\n"  // the page's TAB is dropped
            "投稿年月日=2001/05/14 11:14\n"
            "最大メッセージ数=9\n"
            "投稿者=投稿者4\n"
            "返信先=2\n"
            "topic=テスト用トピック\n");

  // The output type's clean-up applies: the text type removes links, the DAT type dates.
  r = Run("extract --bbs_file=_yahoo.bbs --out_file=text.out " + page);
  EXPECT_NE(r.out.find("本文=一行目<br>二タブ\n"), std::string::npos) << r.out;
  r = Run("--home " PELLUCOR_BIN_DIR " extract --bbs_file _yahoo.bbs --out_file=dat_2ch.out " +
          page);
  EXPECT_NE(r.out.find("投稿年月日=2001/05/14(月) 11:14\n"), std::string::npos) << r.out;
}

TEST_F(CliExtract, CharchangeOverrideAndEscapes) {
  // A board that keeps line breaks, read from its own folder.
  std::string bbs = Write("k.bbs", EncodeCp932(u"[basic]\r\nitem_cnt=1\r\ncrlftab_neglect=1\r\n"
                                               u"[item1]\r\nname=本文\r\nbf_from=<p>\r\n"
                                               u"af_from=</p>\r\n"));
  std::string page = Write("p.html", EncodeCp932(u"<p>漢字\r\n\tx</p>"));
  Result r = Run("extract --bbs_file=" + bbs + " --charchange=1 " + page);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "本文=漢字\\r\\n\\tx\ntopic=\n");
  // Read as EUC-JP (the board's default) the same bytes come out differently.
  r = Run("extract --bbs_file=" + bbs + " " + page);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out, "本文=漢字\\r\\n\\tx\ntopic=\n");
}

TEST_F(CliExtract, NothingFoundAndErrors) {
  std::string page = Write("empty.html", "<html>404</html>");
  Result r = Run("extract --bbs_file=_yahoo.bbs " + page);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("タイトル=\n"), std::string::npos);

  std::string bad = Write("bad.bbs", "[basic]\r\nitem_cnt=11\r\n");
  r = Run("extract --bbs_file=" + bad + " " + page);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("Pellucor: 取得アイテム数が不正です[basic] item_cnt=11\n1～10の範囲で"
                       "指定してください"),
            std::string::npos)
      << r.err;

  r = Run("extract --bbs_file=missing.bbs " + page);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("掲示板設定ファイルが存在しません"), std::string::npos);
  EXPECT_EQ(Run("extract --bbs_file=_yahoo.bbs --out_file=missing.out " + page).status, 2);
  EXPECT_EQ(Run("extract " + page).status, 2);
  EXPECT_EQ(Run("extract --bbs_file=_yahoo.bbs").status, 2);
  EXPECT_EQ(Run("extract --bbs_file=_yahoo.bbs --charchange=3 " + page).status, 2);
  EXPECT_EQ(Run("extract --bbs_file=_yahoo.bbs " + dir_ + "/none.html").status, 2);
}

}  // namespace
}  // namespace pellucor
