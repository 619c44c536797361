#include <gtest/gtest.h>

#include "support/scratch_folder.h"
#include "support/scripted_ui.h"
#include "update/update.h"

namespace pellucor {
namespace {

using testing::ScratchFolder;
using testing::ScriptedUi;

TEST(ParseVersionList, ReadsLinesUntilNoFieldIsLeft) {
  DownloadList list;
  ASSERT_EQ(ParseVersionList(u"  _yahoo.bbs , Yahoo掲示板 ,12\r\nhtml.out,HTML出力, 2.5\r\n"
                             u"readme.txt,説明,3.5\r\nX.BBS,upper,1\r\n\r\n",
                             list),
            VersionListResult::Ok);
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0].file, u"_yahoo.bbs");        // trimmed
  EXPECT_EQ(list[0].comment, u" Yahoo掲示板 ");  // as it stands
  EXPECT_EQ(list[0].site_version, 12);
  EXPECT_EQ(list[0].kind, kKindBoard);
  EXPECT_EQ(list[1].kind, kKindOutput);
  EXPECT_EQ(list[1].site_version, 2);  // halves go to the even neighbour
  EXPECT_EQ(list[2].site_version, 4);
  EXPECT_EQ(list[2].kind, kKindOther);
  EXPECT_EQ(list[3].kind, kKindOther);  // the extension test is exact
  for (const auto& e : list) {
    EXPECT_EQ(e.state, kStateNone);
    EXPECT_FALSE(e.selected);
  }
  // The last line needs no line end.
  ASSERT_EQ(ParseVersionList(u"a.bbs,A,1", list), VersionListResult::Ok);
  EXPECT_EQ(list.size(), 1u);
}

TEST(ParseVersionList, FailureRules) {
  DownloadList list;
  for (const char16_t* none : {u"", u"\r\n", u"no fields here", u",a.bbs,x,1", u"\r\n\r\n"}) {
    list.assign(3, DownloadEntry{});
    EXPECT_EQ(ParseVersionList(none, list), VersionListResult::NoData) << ToUtf8(none);
    EXPECT_TRUE(list.empty());
  }
  for (const char16_t* broken : {u"a.bbs,,1\r\n", u"a.bbs,A\r\n", u"a.bbs,A,\r\nb.bbs,B,1\r\n",
                                 u"a.bbs,A,1\r\nb.bbs,,2\r\n"}) {
    EXPECT_EQ(ParseVersionList(broken, list), VersionListResult::Invalid) << ToUtf8(broken);
    EXPECT_TRUE(list.empty());  // lines before the broken one are dropped with it
  }
  // A line starting with a comma ends the list normally once something was read.
  ASSERT_EQ(ParseVersionList(u"a.bbs,A,1\r\n,b.bbs,B,2\r\n", list), VersionListResult::Ok);
  EXPECT_EQ(list.size(), 1u);
}

TEST(IsPlainFileName, OnlyNamesDirectlyInTheProgramFolder) {
  for (const char16_t* ok : {u"a.bbs", u" a.bbs ", u"..a.bbs", u"日本語.out", u"a b.bbs"})
    EXPECT_TRUE(IsPlainFileName(ok)) << ToUtf8(ok);
  for (const char16_t* bad : {u"", u"   ", u".", u"..", u" .. ", u"../x.bbs", u"sub/x.bbs",
                              u"/etc/x.bbs", u"..\\x.bbs", u"a\r\nb.bbs", u"a\tb.out"})
    EXPECT_FALSE(IsPlainFileName(bad)) << ToUtf8(bad);
}

class CompareTest : public ::testing::Test {
 protected:
  void Local(const Text& name, const std::string& content) { dir.Write(name, content); }
  ScratchFolder dir;
};

TEST_F(CompareTest, NewUpdatedEqualAndOlder) {
  Local(u"old.bbs", "[basic]\r\nname=old\r\nversion=3\r\n");
  Local(u"same.bbs", "[basic]\r\nversion=5\r\n");
  Local(u"newer.bbs", "[basic]\r\nversion=9\r\n");
  Local(u"plain.out", "[basic]\r\nname=plain\r\n");  // no version key: 0
  Local(u"X.BBS", "[basic]\r\nversion=1\r\n");
  DownloadList list;
  ASSERT_EQ(ParseVersionList(u"old.bbs,c,4\r\nsame.bbs,c,5\r\nnewer.bbs,c,8\r\nplain.out,c,1\r\n"
                             u"fresh.bbs,c,1\r\nX.BBS,c,7\r\n../x.bbs,c,9\r\nsub/y.bbs,c,9\r\n"
                             u"fresh.out,c,1\r\n",
                             list),
            VersionListResult::Ok);
  CompareVersions(list, kKindBoard, dir.Dir());
  EXPECT_EQ(list[0].state, kStateUpdate);
  EXPECT_EQ(list[0].local_date, FileModified(dir.Path(u"old.bbs")).value());
  EXPECT_EQ(list[1].state, kStateNone);
  EXPECT_EQ(list[2].state, kStateNone);
  EXPECT_EQ(list[3].state, kStateNone);  // output types were not compared
  EXPECT_EQ(list[4].state, kStateNew);
  EXPECT_EQ(list[5].state, kStateNone);
  EXPECT_EQ(list[6].state, kStateNone);
  EXPECT_EQ(list[7].state, kStateNone);
  EXPECT_EQ(list[8].state, kStateNone);
  CompareVersions(list, kKindOutput, dir.Dir());
  EXPECT_EQ(list[3].state, kStateUpdate);
  EXPECT_EQ(list[8].state, kStateNew);

  std::vector<DownloadRow> rows = BuildDownloadRows(list);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].text, u"更新　old.bbs(c) 前回更新日:" + FormatYmd(list[0].local_date));
  EXPECT_EQ(rows[0].slot, 0u);
  EXPECT_EQ(rows[1].text.substr(0, 15), u"更新　plain.out(c)");
  EXPECT_EQ(rows[2].text, u"新規　fresh.bbs(c)");
  EXPECT_EQ(rows[2].slot, 4u);
  EXPECT_EQ(rows[3].slot, 8u);
}

TEST(DownloadWindow, NothingTickedAsksAndExplains) {
  DownloadList list(3);
  list[0].state = kStateNew;
  list[2].state = kStateUpdate;
  std::vector<DownloadRow> rows = BuildDownloadRows(list);
  ASSERT_EQ(rows.size(), 2u);
  ScriptedUi ui;

  ui.answers = {Answer::No};
  EXPECT_FALSE(ConfirmDownloadSelection(ui, list, rows, {false, false}));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, u"何も選択されていません。ダウンロード処理をキャンセルしますか？");
  EXPECT_EQ(ui.messages[0].icon, Icon::Question);
  EXPECT_EQ(ui.messages[1].text,
            u"一覧より、ダウンロードしたい設定ファイルを選択（クリック）して\r\n"
            u"左側のチェックボックスにチェックがついたのを確認してから\r\n"
            u"ダウンロードボタンを押してください。");
  EXPECT_EQ(ui.messages[1].icon, Icon::Information);

  ui.answers = {Answer::Yes};
  EXPECT_TRUE(ConfirmDownloadSelection(ui, list, rows, {false, false}));
  EXPECT_EQ(ui.messages.size(), 3u);
  for (const auto& e : list) EXPECT_FALSE(e.selected);

  EXPECT_TRUE(ConfirmDownloadSelection(ui, list, rows, {false, true}));
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_FALSE(list[0].selected);
  EXPECT_TRUE(list[2].selected);

  ShowNothingToUpdate(ui);
  EXPECT_EQ(ui.messages.back().text, u"更新対象のファイルは有りません\r\n全て最新バージョンです");
  EXPECT_EQ(ui.messages.back().icon, Icon::Information);
}

TEST(UpdateBaseUrl, EnvironmentOverridesAndEndsInSlash) {
  ::setenv("PELLUCOR_UPDATE_URL", "http://127.0.0.1:9/upd", 1);
  EXPECT_EQ(UpdateBaseUrl(), u"http://127.0.0.1:9/upd/");
  ::setenv("PELLUCOR_UPDATE_URL", "http://127.0.0.1:9/x/", 1);
  EXPECT_EQ(UpdateBaseUrl(), u"http://127.0.0.1:9/x/");
  ::unsetenv("PELLUCOR_UPDATE_URL");
  Text builtin = UpdateBaseUrl();
  EXPECT_EQ(builtin.substr(0, 4), u"http");
  EXPECT_EQ(builtin.back(), u'/');
}

}  // namespace
}  // namespace pellucor
