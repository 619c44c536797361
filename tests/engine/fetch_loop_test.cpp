// The fetch loop against an in-memory board: statuses, retries, cancel, invalid pages, the
// highest message number, and the error log.
#include "engine/fetch_loop.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/run_fixture.h"

namespace pellucor {
namespace {

using testing::FakeHttp;
using testing::RunFixture;

TEST(FetchStatus, EstimateFromTheFourthMessage) {
  EXPECT_EQ(FetchStatusText(1, 1, 10, 0), u"msg( 1 ) 取得中");
  EXPECT_EQ(FetchStatusText(3, 1, 10, 4), u"msg( 3 ) 取得中");
  // 3 messages in 3 s, 57 left: 57 s; 60 left: 1分0秒.
  EXPECT_EQ(FetchStatusText(4, 1, 60, 3), u"msg( 4 ) 取得中  終了まで約57秒 (1.0秒/1件)");
  EXPECT_EQ(FetchStatusText(4, 1, 63, 3), u"msg( 4 ) 取得中  終了まで約1分0秒 (1.0秒/1件)");
  EXPECT_EQ(FetchStatusText(104, 10, 197, 125), u"msg( 104 ) 取得中  終了まで約2分5秒 (1.3秒/1件)");
}

TEST(InvalidPage, ExcerptOfFiveLinesOfAHundred) {
  Text long_text(650, u'あ');
  Text q = InvalidPageQuestion(u"<p>" + long_text + u"</p><!-- c -->");
  Text row(100, u'あ');
  Text expected = Text(u"有効なメッセージが取得できませんでした\r\n") +
                  u"指定されたURLが無効か、最大メッセージ番号を超えているか、設定ファイルが古い可能"
                  u"性があります\r\n"
                  u"----- 受信データ簡易表示 START ---------------------------------\r\n" +
                  row + u"\r\n" + row + u"\r\n" + row + u"\r\n" + row + u"\r\n" + row + u"\r\n" +
                  u"----- 受信データ簡易表示  END  ---------------------------------\r\n\r\n"
                  u"処理を継続しますか？";
  EXPECT_EQ(q, expected);
  // Nothing left after the tags: the whole page is shown.
  Text q2 = InvalidPageQuestion(u"<br>");
  EXPECT_NE(q2.find(u"START ---------------------------------\r\n<br>\r\n\r\n"), Text::npos);
}

class Loop : public ::testing::Test {
 protected:
  std::vector<Text> StatusesContaining(const Text& part) const {
    std::vector<Text> out;
    for (const Text& s : f.form.status_history)
      if (s.find(part) != Text::npos) out.push_back(s);
    return out;
  }
  RunFixture f;
};

TEST_F(Loop, CollectsUpToTheHighestNumberAndMovesTheRangeOn) {
  f.http.count = 5;
  f.clock.advance_per_now = 1;
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  EXPECT_EQ(f.http.urls.size(), 5u);
  EXPECT_EQ(f.http.urls[2], u"http://127.0.0.1:1/board/message?mid=3");
  EXPECT_EQ(f.form.Text_from().Value(), u"6");
  EXPECT_EQ(f.form.Text_to().Value(), u"6");
  EXPECT_EQ(f.form.status_history.back(), u"取得完了");
  ASSERT_EQ(f.program->history.size(), 1u);
  EXPECT_EQ(f.program->history[0].lastMessage, u"5");
  EXPECT_EQ(f.program->history[0].toNumber, u"5");
  EXPECT_EQ(f.program->history[0].totalMessages, u"5");
  EXPECT_TRUE(FileExists(f.Path("record.dat")));
  EXPECT_EQ(StatusesContaining(u"終了まで約").size(), 2u);  // messages 4 and 5
  ASSERT_FALSE(f.ui.messages.empty());
  EXPECT_EQ(f.ui.messages.back().text, u"処理が完了しました\r\n結果を表示しますか？");
  EXPECT_EQ(f.shown_results, 1);
}

TEST_F(Loop, EmptyAnswersAreRetriedTenTimesThenTheNetworkFailureStops) {
  f.http.count = 5;
  for (int i = 0; i < 11; ++i) f.http.scripted[3].push_back(FakeHttp::Answer(i % 2 ? "" : "x"));
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  auto retries = StatusesContaining(u"原因不明のエラーにより再試行");
  ASSERT_EQ(retries.size(), 10u);
  EXPECT_EQ(retries[0], u"msg( 3 ) 取得中 - 原因不明のエラーにより再試行(1/10)");
  EXPECT_EQ(retries[9], u"msg( 3 ) 取得中 - 原因不明のエラーにより再試行(10/10)");
  EXPECT_EQ(f.clock.sleeps, std::vector<int>(10, 2000));
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            u"原因不明のエラーが発生したためデータの取得に失敗しました\r\n"
            u"ネットワークに接続されていない、もしくは切断された可能性があります\r\n"
            u"プロキシを使用している場合はプロキシの設定を見なおしてください\r\n"
            u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください");
  // Two messages were written: the next run starts with the third.
  EXPECT_EQ(f.form.Text_from().Value(), u"3");
  ASSERT_EQ(f.program->history.size(), 1u);
  EXPECT_EQ(f.program->history[0].lastMessage, u"2");

  // One failure less and the message goes through.
  RunFixture g;
  g.http.count = 3;
  for (int i = 0; i < 10; ++i) g.http.scripted[2].push_back(FakeHttp::Answer(""));
  EXPECT_EQ(g.Run(), RunOutcome::Finished);
}

TEST_F(Loop, TimeOutsAreRetriedUpToTheRetryCountThenTheErrorDialog) {
  f.http.count = 3;
  f.form.Text_Retry().SetValue(u"3");
  for (int i = 0; i < 4; ++i) f.http.scripted[2].push_back(FakeHttp::TimedOut());
  f.ui.answers = {Answer::Retry};  // the dialog's Retry fetches again
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  auto retries = StatusesContaining(u"リトライ(");
  ASSERT_EQ(retries.size(), 3u);
  EXPECT_EQ(retries[0], u"msg( 2 ) 取得中 - リトライ(1/3)");
  EXPECT_EQ(retries[2], u"msg( 2 ) 取得中 - リトライ(3/3)");
  ASSERT_GE(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, u"Operation timed out");
  EXPECT_EQ(f.ui.messages[0].caption, u"エラー");
  EXPECT_EQ(f.ui.messages[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_TRUE(f.clock.sleeps.empty());  // time-out retries do not pause
  EXPECT_EQ(f.http.urls.size(), 3u + 4u);
}

TEST_F(Loop, RetryZeroGoesStraightToTheDialogAndAbortKeepsTheHistory) {
  f.http.count = 5;
  f.form.Text_Retry().SetValue(u"0");
  f.http.scripted[3].push_back(FakeHttp::TimedOut());
  f.ui.answers = {Answer::Abort};
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_TRUE(StatusesContaining(u"リトライ").empty());
  // Abort saves the history as it stood and leaves the range alone.
  EXPECT_TRUE(f.program->history.empty());
  EXPECT_EQ(f.form.Text_from().Value(), u"1");
  EXPECT_TRUE(FileExists(f.Path("out/topic.html")));
}

TEST_F(Loop, IgnoreAfterAFailedFetchCountsAsAFailedReceive) {
  f.http.count = 3;
  f.http.scripted[2].push_back(FakeHttp::Failure(u"Recv failure: Connection reset by peer"));
  f.ui.answers = {Answer::Ignore};
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  EXPECT_EQ(f.ui.messages[0].text, u"Recv failure: Connection reset by peer");
  auto retries = StatusesContaining(u"原因不明のエラーにより再試行(1/10)");
  EXPECT_EQ(retries.size(), 1u);
  EXPECT_EQ(f.clock.sleeps, std::vector<int>{2000});
  // Message 2 was written from its own page, fetched again.
  std::string out = f.Read("out/topic.html");
  EXPECT_NE(out.find(EncodeCp932(u"第2回の話題")), std::string::npos);
}

TEST_F(Loop, CancelDuringATimeOutTakesTheCancelPath) {
  f.http.count = 5;
  f.form.Text_Retry().SetValue(u"5");
  f.http.scripted[3].push_back(FakeHttp::TimedOut());
  f.http.scripted[3].push_back(FakeHttp::TimedOut());
  int fetches = 0;
  f.http.on_fetch = [&](const Text& url) {
    if (url.back() == u'3' && ++fetches == 2) f.form.cancel_requested = true;
  };
  EXPECT_EQ(f.Run(), RunOutcome::Cancelled);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text, u"処理を中断します。MSG:2まで処理しました。");
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Critical);
  EXPECT_EQ(f.form.Label_status().Value(), u"処理中断 MSG:2まで処理済み");
  EXPECT_EQ(f.form.Text_from().Value(), u"3");
  EXPECT_EQ(f.program->history.size(), 1u);
  EXPECT_EQ(fetches, 2);  // no third attempt
}

TEST_F(Loop, CancelAtTheFirstMessageOnlySaves) {
  f.http.on_fetch = [&](const Text&) { f.form.cancel_requested = true; };
  EXPECT_EQ(f.Run(), RunOutcome::Cancelled);
  EXPECT_EQ(f.ui.messages[0].text, u"処理を中断します。MSG:0まで処理しました。");
  EXPECT_EQ(f.form.Text_from().Value(), u"1");
  EXPECT_TRUE(f.program->history.empty());
  EXPECT_FALSE(FileExists(f.Path("out/topic.html")));
}

TEST_F(Loop, InvalidPagesAskThenFollowUpSelectsIgnore) {
  f.http.count = 6;
  f.form.Option_Error().SetIndex(0);
  f.http.scripted[2].push_back(FakeHttp::Answer("<html><body>busy</body></html>"));
  f.http.scripted[4].push_back(FakeHttp::Answer("<html><body>busy</body></html>"));
  f.ui.answers = {Answer::Yes, Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  ASSERT_GE(f.ui.messages.size(), 3u);
  EXPECT_EQ(f.ui.messages[0].text.substr(0, 19), u"有効なメッセージが取得できませんでした");
  EXPECT_NE(f.ui.messages[0].text.find(u"START ---------------------------------\r\nbusy\r\n"),
            Text::npos);
  EXPECT_EQ(f.ui.messages[1].text,
            u"次にデータ受信エラーが発生した際もこの確認画面を表示しますか？");
  EXPECT_EQ(f.form.Option_Error().Index(), 1);
  EXPECT_EQ(f.ui.messages[2].text, u"処理が完了しました\r\n結果を表示しますか？");

  // No stops the run; the next run starts with the page that was refused.
  RunFixture g;
  g.http.count = 6;
  g.form.Option_Error().SetIndex(0);
  g.http.scripted[3].push_back(FakeHttp::Answer("<html><body>busy</body></html>"));
  g.ui.answers = {Answer::No};
  EXPECT_EQ(g.Run(), RunOutcome::Ended);
  EXPECT_EQ(g.form.Label_status().Value(), u"処理中断 MSG:3まで処理済み");
  EXPECT_EQ(g.form.Text_from().Value(), u"3");
}

TEST_F(Loop, ReceiveRetryModeFetchesAPageWithoutItemsAgain) {
  f.http.count = 3;
  f.form.Option_Error().SetIndex(2);
  for (int i = 0; i < 2; ++i)
    f.http.scripted[2].push_back(FakeHttp::Answer("<html><body>busy</body></html>"));
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  EXPECT_EQ(StatusesContaining(u"原因不明のエラーにより再試行").size(), 2u);
  EXPECT_NE(f.Read("out/topic.html").find(EncodeCp932(u"第2回の話題")), std::string::npos);

  // A page that stays empty is kept as a blank message after the tenth retry.
  RunFixture g;
  g.http.count = 3;
  g.form.Option_Error().SetIndex(2);
  for (int i = 0; i < 11; ++i)
    g.http.scripted[2].push_back(FakeHttp::Answer("<html><body>busy</body></html>"));
  EXPECT_EQ(g.Run(), RunOutcome::Finished);
  EXPECT_EQ(g.clock.sleeps.size(), 10u);
  EXPECT_EQ(g.ui.messages.size(), 1u);  // only the completion question
}

TEST_F(Loop, HighestNumberRules) {
  f.http.count = 3;
  f.form.Text_from().SetValue(u"5");
  f.http.scripted[5].push_back(FakeHttp::Answer(testing::EncodePage(
      testing::MakeBoardPage(testing::SampleMessage(5, 3)), testing::Encoding::EucJp)));
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  ASSERT_EQ(f.ui.messages.size(), 1u);
  EXPECT_EQ(f.ui.messages[0].text,
            u"メッセージ番号5以降のデータはありませんでした\r\n最大メッセージ数=3");
  EXPECT_TRUE(FileExists(f.Path("record.dat")) == false);  // nothing in the history to save

  // The highest number is read again when N reaches it: the topic grew meanwhile.
  RunFixture g;
  g.http.count = 8;
  g.http.highest = 3;
  g.http.on_fetch = [&](const Text& url) {
    if (url.back() == u'3') g.http.highest = 8;
  };
  EXPECT_EQ(g.Run(), RunOutcome::Finished);
  EXPECT_EQ(g.http.urls.size(), 8u);

  // A page without the number: stop at once.
  RunFixture h;
  h.form.Option_Error().SetIndex(1);
  h.http.scripted[1].push_back(FakeHttp::Answer("<html><body>no number</body></html>"));
  EXPECT_EQ(h.Run(), RunOutcome::Ended);
  EXPECT_EQ(h.ui.messages[0].text, u"最大メッセージ数が取得できなかったので処理を中断します");
}

TEST_F(Loop, ErrorLogRecordsRetriesAndFailures) {
  f.http.count = 3;
  f.form.Check_Error_Log().SetValue(1);
  f.http.scripted[2].push_back(FakeHttp::TimedOut());
  f.http.scripted[2].push_back(FakeHttp::Answer(""));
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  std::string log = f.Read("error.log");
  Text text = DecodeCp932(log);
  EXPECT_NE(text.find(u"2001/05/12 13:45:00\tmsg(2)\thttp://127.0.0.1:1/board/message?mid=2\t"
                      u"タイムアウト - リトライ(1/3)\r\n"),
            Text::npos)
      << log;
  EXPECT_NE(text.find(u"原因不明のエラーにより再試行(1/10)"), Text::npos);

  RunFixture g;  // unchecked: no file
  g.http.count = 2;
  g.http.scripted[2].push_back(FakeHttp::TimedOut());
  g.Run();
  EXPECT_FALSE(FileExists(g.Path("error.log")));
}

}  // namespace
}  // namespace pellucor
