// The run's checks, in their order and with their exact messages.
#include "engine/run_driver.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/run_fixture.h"

namespace pellucor {
namespace {

using testing::RunFixture;

constexpr char16_t kStopProxy[] = u"プロキシサーバのIPアドレスを設定してください";

class RunChecks : public ::testing::Test {
 protected:
  // Past every check, the run stops at the network set-up (named proxy without an address).
  void StopAtNetwork() {
    f.form.Option_Proxy().SetIndex(2);
    f.form.Text_Proxy_address().SetValue(u"");
  }
  std::vector<Text> Texts() const {
    std::vector<Text> out;
    for (const auto& m : f.ui.messages) out.push_back(m.text);
    return out;
  }
  void ExpectOnly(const Text& text) {
    ASSERT_EQ(f.ui.messages.size(), 1u) << ::testing::PrintToString(f.ui.Texts());
    EXPECT_EQ(f.ui.messages[0].text, text);
    EXPECT_EQ(f.ui.messages[0].caption, u"Pellucor");
    EXPECT_EQ(f.ui.messages[0].icon, Icon::Critical);
    EXPECT_EQ(f.ui.messages[0].buttons, Buttons::Ok);
    EXPECT_TRUE(f.http.urls.empty());
  }
  RunFixture f;
};

TEST_F(RunChecks, AddressAndNumbers) {
  f.form.Text_url1().SetValue(u"   ");
  f.form.Text_from().SetValue(u"x");  // the first failing check wins
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  ExpectOnly(u"取得URL（左）が未入力です");

  f.ui.messages.clear();
  f.SetDefaults();
  f.form.Text_from().SetValue(u"");
  f.Run();
  ExpectOnly(u"取得メッセージ番号（左）に数値を入れてください");

  f.ui.messages.clear();
  f.SetDefaults();
  f.form.Check_MaxMsg().SetValue(0);
  f.form.Text_to().SetValue(u"1x");
  f.Run();
  ExpectOnly(u"取得メッセージ番号（右）に数値を入れてください");

  f.ui.messages.clear();
  f.form.Text_from().SetValue(u"10");
  f.form.Text_to().SetValue(u"9");
  f.Run();
  ExpectOnly(u"取得メッセージ番号は左より右を大きく設定してください");

  // Equal numbers pass; with Check_MaxMsg Text_to is not checked but set from Text_from.
  f.ui.messages.clear();
  f.form.Text_to().SetValue(u" 10 ");
  StopAtNetwork();
  f.Run();
  ExpectOnly(kStopProxy);
  f.ui.messages.clear();
  f.form.Check_MaxMsg().SetValue(1);
  f.form.Text_from().SetValue(u"5.0");
  f.form.Text_to().SetValue(u"abc");
  f.Run();
  ExpectOnly(kStopProxy);
  EXPECT_EQ(f.form.Text_to().Value(), u"5");
}

TEST_F(RunChecks, OutputNameSplitCountAndNetworkValues) {
  f.form.Text_out().SetValue(u"");
  f.Run();
  ExpectOnly(u"出力ファイル名を指定してください");

  f.ui.messages.clear();
  f.form.Text_out().SetValue(f.Path("out/a|b.html"));
  f.Run();
  ExpectOnly(u"出力ファイル名が不正です\r\n|が含まれています");

  // An invalid split count is reset silently when not splitting.
  f.ui.messages.clear();
  f.SetDefaults();
  StopAtNetwork();
  f.form.Text_devidecnt().SetValue(u"0");
  f.Run();
  ExpectOnly(kStopProxy);
  EXPECT_EQ(f.form.Text_devidecnt().Value(), u"1000");
  f.ui.messages.clear();
  f.form.Text_devidecnt().SetValue(u"1000000");
  f.form.Check_devide().SetValue(1);
  f.Run();
  ExpectOnly(u"分割メッセージ件数は1～999999の範囲で指定してください");
  f.form.Check_devide().SetValue(0);

  const std::pair<const char16_t*, const char16_t*> timeouts[] = {
      {u"", u"タイムアウト値を設定してください"},
      {u"  ", u"正しいタイムアウト値（1～300）を設定してください"},
      {u"0", u"正しいタイムアウト値（1～300）を設定してください"},
      {u"301", u"正しいタイムアウト値（1～300）を設定してください"},
      {u"300", kStopProxy}};
  for (const auto& [value, message] : timeouts) {
    f.ui.messages.clear();
    f.form.Text_Timeout().SetValue(value);
    f.Run();
    ExpectOnly(message);
  }
  const std::pair<const char16_t*, const char16_t*> retries[] = {
      {u"-1", u"正しいリトライ回数（0～1000）を設定してください"},
      {u"1001", u"正しいリトライ回数（0～1000）を設定してください"},
      {u"", kStopProxy},
      {u"1000", kStopProxy}};
  for (const auto& [value, message] : retries) {
    f.ui.messages.clear();
    f.form.Text_Retry().SetValue(value);
    f.Run();
    ExpectOnly(message);
  }
}

TEST_F(RunChecks, OutputPathIsCompleted) {
  f.form.Text_out().SetValue(u"out.html");
  f.Run();
  ExpectOnly(u"出力ファイル名をフルパスで指定してください");

  // Only a folder, title naming off: the question, then No ends with the name message.
  f.ui.messages.clear();
  Text folder = f.Path("out/");
  f.form.Text_out().SetValue(folder);
  f.ui.answers = {Answer::No};
  f.Run();
  ASSERT_EQ(f.ui.messages.size(), 2u);
  EXPECT_EQ(f.ui.messages[0].text,
            u"出力ファイル名が未指定です\r\nタイトルをファイル名にしますか？");
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Question);
  EXPECT_EQ(f.ui.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(f.ui.messages[1].text, u"出力ファイル名を指定してください");
  EXPECT_EQ(f.ui.beeps, 1);

  // Yes turns title naming on and leaves the folder as it is.
  f.ui.messages.clear();
  StopAtNetwork();
  f.ui.answers = {Answer::Yes};
  f.Run();
  EXPECT_EQ(f.form.Check_TopicToFilename().Value(), 1);
  EXPECT_EQ(f.form.Text_out().Value(), folder);
  EXPECT_EQ(f.ui.messages.back().text, kStopProxy);

  // Title naming already on: the moment's date and time and the output type's mark.
  f.ui.messages.clear();
  f.Run();
  EXPECT_EQ(f.form.Text_out().Value(), folder + u"20010512-134500.html");

  // No extension anywhere gets one; a dot in the folder part counts.
  f.form.Text_out().SetValue(f.Path("out/topic"));
  f.Run();
  EXPECT_EQ(f.form.Text_out().Value(), f.Path("out/topic.html"));
  f.form.Text_out().SetValue(u"/tmp/a.b/topic");
  f.Run();
  EXPECT_EQ(f.form.Text_out().Value(), u"/tmp/a.b/topic");
}

TEST_F(RunChecks, AddressWithoutTheNumberParameterAsks) {
  f.form.Text_url1().SetValue(u"http://127.0.0.1:1/board/message?mid=123");
  f.ui.answers = {Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            u"取得URL（左）が 'mid=' で終わっていません\r\n"
            u"取得URL（左）にメッセージ番号が含まれてしまっていませんか？\r\n"
            u"メッセージ番号は取得メッセージ番号の欄で指定してください\r\n\r\n"
            u"このままの設定で取得処理を実行しますか？\r\n"
            u"URLの設定に間違いがない時は「はい(yes)」、戻ってURLを修正する時は「いいえ(no)"
            u"」を選択してください");
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Question);

  f.ui.messages.clear();
  StopAtNetwork();
  f.form.Text_url1().SetValue(u" http://127.0.0.1:1/board/message?mid= ");
  f.Run();
  ExpectOnly(kStopProxy);
}

TEST_F(RunChecks, AppendQuestionAndNetworkFailureKeepEverything) {
  ASSERT_TRUE(WriteFileAtomic(f.Path("out/topic.html"), "old"));
  f.ui.answers = {Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, u"ファイル（" + f.Path("out/topic.html") +
                                       u"）が既に存在します\r\n"
                                       u"このファイルにデータを追加しますか？");
  EXPECT_EQ(f.Read("out/topic.html"), "old");
  EXPECT_FALSE(FileExists(f.Path("record.dat")));

  // The network set-up fails after "初期設定" was shown; the status is cleared.
  f.ui.messages.clear();
  StopAtNetwork();
  f.form.status_history.clear();
  f.Run();
  EXPECT_EQ(f.ui.messages.back().text, kStopProxy);
  ASSERT_EQ(f.form.status_history.size(), 2u);
  EXPECT_EQ(f.form.status_history[0], u"初期設定");
  EXPECT_EQ(f.form.status_history[1], u"");
  EXPECT_TRUE(f.program->history.empty());
}

TEST(RunState, LocksTheWindowAndUnlocksIt) {
  MemoryForm form;
  testing::ScriptedUi ui;
  form.Check_MaxMsg().SetValue(1);
  SetRunState(form, ui, true);
  EXPECT_FALSE(form.cancel_requested);
  EXPECT_FALSE(form.Text_url1().Enabled());
  EXPECT_TRUE(form.Command_Cancel().Enabled());
  EXPECT_TRUE(form.Label_status().Enabled());
  SetRunState(form, ui, false);
  EXPECT_TRUE(form.cancel_requested);
  EXPECT_TRUE(form.Text_url1().Enabled());
  EXPECT_FALSE(form.Text_to().Enabled());
  EXPECT_FALSE(form.Command_Cancel().Enabled());
  EXPECT_EQ(ui.busy_changes, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace pellucor
