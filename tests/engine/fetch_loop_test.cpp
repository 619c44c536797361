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
using Texts = std::vector<std::string>;

constexpr char kDone[] = "処理が完了しました\r\n結果を表示しますか？";
const std::string kBusy = "<html><body>busy</body></html>";

TEST(FetchStatus, EstimateFromTheFourthMessage) {
  const struct {
    double n, first, to;
    int64_t elapsed;
    const char* expected;
  } cases[] = {{1, 1, 10, 0, "msg( 1 ) 取得中"},
               {3, 1, 10, 4, "msg( 3 ) 取得中"},
               {4, 1, 60, 3, "msg( 4 ) 取得中  終了まで約57秒 (1.0秒/1件)"},
               {4, 1, 63, 3, "msg( 4 ) 取得中  終了まで約1分0秒 (1.0秒/1件)"},
               {104, 10, 197, 125, "msg( 104 ) 取得中  終了まで約2分5秒 (1.3秒/1件)"}};
  for (const auto& c : cases)
    EXPECT_EQ(ToUtf8(FetchStatusText(c.n, c.first, c.to, c.elapsed)), c.expected);
}

TEST(InvalidPage, ExcerptOfFiveLinesOfAHundred) {
  Text row(100, u'あ');
  EXPECT_EQ(InvalidPageQuestion(u"<p>" + Text(650, u'あ') + u"</p><!-- c -->"),
            Text(u"有効なメッセージが取得できませんでした\r\n") +
                u"指定されたURLが無効か、最大メッセージ番号を超えているか、設定ファイルが古い可能"
                u"性があります\r\n"
                u"----- 受信データ簡易表示 START ---------------------------------\r\n" +
                row + u"\r\n" + row + u"\r\n" + row + u"\r\n" + row + u"\r\n" + row + u"\r\n" +
                u"----- 受信データ簡易表示  END  ---------------------------------\r\n\r\n"
                u"処理を継続しますか？");
  // Nothing left after the tags: the whole page is shown.
  EXPECT_NE(InvalidPageQuestion(u"<br>").find(u"-\r\n<br>\r\n\r\n"), Text::npos);
}

// Message 2 of 3 misbehaves.
TEST(FetchLoop, RetriesOfTimeOutsAndEmptyAnswersAndTheErrorDialog) {
  auto times = [](int n, FetchResult r) { return std::deque<FetchResult>(n, r); };
  const FetchResult empty = FakeHttp::Answer(""), busy = FakeHttp::Answer(kBusy),
                    timeout = FakeHttp::Failed();
  const std::string kEmpty = "原因不明のエラーにより再試行(", kTimedOut = "Operation timed out";
  const std::string kNetwork =
      "原因不明のエラーが発生したためデータの取得に失敗しました\r\n"
      "ネットワークに接続されていない、もしくは切断された可能性があります\r\n"
      "プロキシを使用している場合はプロキシの設定を見なおしてください\r\n"
      "何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";
  struct Case {
    const char* name;
    std::deque<FetchResult> answers;
    std::vector<std::string> settings;
    std::deque<Answer> dialog;
    RunOutcome outcome;
    Texts messages;
    std::string last_retry;  // the last retry status, its number the count of retries
    size_t pauses;           // the 2 s pauses of the empty-answer retries
    const char16_t* from;    // where the next run starts
  };
  constexpr RunOutcome Finished = RunOutcome::Finished, Ended = RunOutcome::Ended;
  // clang-format off
  const Case cases[] = {
      {"ten empty answers", times(10, empty), {}, {}, Finished, {kDone}, kEmpty + "10/10)", 10, u"4"},
      {"eleven empty answers", times(11, empty), {}, {}, Ended, {kNetwork}, kEmpty + "10/10)", 10, u"2"},
      {"time-outs up to the retry count", times(3, timeout), {}, {}, Finished, {kDone}, "リトライ(3/3)", 0, u"4"},
      {"one more, then Retry", times(4, timeout), {}, {Answer::Retry}, Finished, {kTimedOut, kDone},
       "リトライ(3/3)", 0, u"4"},
      {"receive-retry mode", times(2, busy), {"error=2"}, {}, Finished, {kDone}, kEmpty + "2/10)", 2, u"4"},
      {"receive-retry mode, kept blank", times(11, busy), {"error=2"}, {}, Finished, {kDone}, kEmpty + "10/10)",
       10, u"4"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunFixture f;
    f.http.count = 3;
    f.http.scripted[2] = c.answers;
    f.Set(c.settings);
    f.ui.answers = c.dialog;
    EXPECT_EQ(f.Run(), c.outcome);
    EXPECT_EQ(f.ui.Texts(), c.messages);
    std::string last_retry;
    for (const Text& s : f.form.status_history)
      if (s.find(u" - ") != Text::npos) last_retry = ToUtf8(s);
    EXPECT_EQ(last_retry, c.last_retry.empty() ? "" : "msg( 2 ) 取得中 - " + c.last_retry);
    EXPECT_EQ(f.clock.sleeps, std::vector<int>(c.pauses, 2000));
    EXPECT_EQ(f.form.Text_from().Value(), c.from);
    // Every page that went through was written from its own page, never a stale one.
    if (c.outcome == RunOutcome::Finished && c.answers.size() < 11) {
      EXPECT_NE(f.Read("out/topic.html").find(EncodeCp932(u"第2回の話題")), std::string::npos);
    }
  }
}

TEST(FetchLoop, CancelTakesTheCancelPath) {
  // During time-out retries: no further attempt.
  RunFixture f;
  f.http.count = 5;
  f.Set({"retry=5"});
  f.http.scripted[3] = {FakeHttp::Failed(), FakeHttp::Failed()};
  int fetches = 0;
  f.http.on_fetch = [&](const Text& url) {
    if (url.back() == u'3' && ++fetches == 2) f.form.cancel_requested = true;
  };
  EXPECT_EQ(f.Run(), RunOutcome::Cancelled);
  EXPECT_EQ(f.ui.Texts(), Texts{"処理を中断します。MSG:2まで処理しました。"});
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Critical);
  EXPECT_EQ(f.form.Label_status().Value(), u"処理中断 MSG:2まで処理済み");
  EXPECT_EQ(f.form.Text_from().Value(), u"3");
  EXPECT_EQ(f.program->history.size(), 1u);
  EXPECT_EQ(fetches, 2);

  // At the first message: nothing written, nothing in the history.
  RunFixture g;
  g.http.on_fetch = [&](const Text&) { g.form.cancel_requested = true; };
  EXPECT_EQ(g.Run(), RunOutcome::Cancelled);
  EXPECT_EQ(g.ui.Texts(), Texts{"処理を中断します。MSG:0まで処理しました。"});
  EXPECT_EQ(g.form.Text_from().Value(), u"1");
  EXPECT_TRUE(g.program->history.empty());
  EXPECT_FALSE(FileExists(g.Path("out/topic.html")));
}

TEST(FetchLoop, InvalidPagesAskThenFollowUpSelectsIgnore) {
  RunFixture f;
  f.http.count = 6;
  f.Set({"error=0"});
  f.http.scripted[2] = {FakeHttp::Answer(kBusy)};
  f.http.scripted[4] = {FakeHttp::Answer(kBusy)};
  f.ui.answers = {Answer::Yes, Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  Texts texts = f.ui.Texts();
  ASSERT_EQ(texts.size(), 3u);  // message 4 is not asked about
  EXPECT_EQ(texts[0], ToUtf8(InvalidPageQuestion(u"busy")));
  EXPECT_EQ(texts[1], "次にデータ受信エラーが発生した際もこの確認画面を表示しますか？");
  EXPECT_EQ(texts[2], kDone);
  EXPECT_EQ(f.form.Option_Error().Index(), 1);
}

TEST(FetchLoop, HighestNumberRules) {
  // Beyond the highest number: nothing to collect, nothing to save.
  RunFixture f;
  f.http.count = 5;
  f.http.highest = 3;
  f.Set({"from=5"});
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  EXPECT_EQ(f.ui.Texts(),
            Texts{"メッセージ番号5以降のデータはありませんでした\r\n最大メッセージ数=3"});
  EXPECT_FALSE(FileExists(f.Path("record.dat")));

  // Read again when N reaches it: the topic grew meanwhile.
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
  h.http.count = 0;
  EXPECT_EQ(h.Run(), RunOutcome::Ended);
  EXPECT_EQ(h.ui.Texts(), Texts{"最大メッセージ数が取得できなかったので処理を中断します"});
}

TEST(FetchLoop, ErrorLogRecordsRetriesOnlyWhenChecked) {
  for (int checked : {1, 0}) {
    RunFixture f;
    f.http.count = 3;
    f.Set({"log=" + std::to_string(checked)});
    f.http.scripted[2] = {FakeHttp::Failed(), FakeHttp::Answer("")};
    EXPECT_EQ(f.Run(), RunOutcome::Finished);
    Text log = DecodeCp932(f.Read("error.log"));
    EXPECT_EQ(log.find(u"2001/05/12 13:45:00\tmsg(2)\thttp://127.0.0.1:1/board/message?mid=2\t"
                       u"タイムアウト - リトライ(1/3)\r\n") != Text::npos,
              checked == 1);
    EXPECT_EQ(log.find(u"原因不明のエラーにより再試行(1/10)") != Text::npos, checked == 1);
    EXPECT_EQ(FileExists(f.Path("error.log")), checked == 1);
  }
}

}  // namespace
}  // namespace pellucor
