// A run through the program, against an in-memory board: its checks in their order and with
// their exact messages; then the fetch loop's statuses, retries, cancel, invalid pages, the
// highest message number, and the error log.
#include <gtest/gtest.h>

#include <numeric>

#include "app/run_command.h"
#include "app/run_dialogs.h"
#include "common/files.h"
#include "engine/fetch_loop.h"
#include "support/run_fixture.h"

namespace pellucor {
namespace {

using testing::FakeHttp;
using testing::RunFixture;
using Texts = std::vector<std::string>;

// A run past every check stops at the network set-up: a named proxy without an address.
constexpr char kPassed[] = "プロキシサーバのIPアドレスを設定してください";

struct CheckedRun : RunFixture {
  CheckedRun() { Set({"proxy=2", "ip="}); }
};

TEST(RunChecks, EachCheckStopsWithItsMessageAndTheFirstFailingWins) {
  const char kTimeout[] = "正しいタイムアウト値（1～300）を設定してください";
  const char kRetry[] = "正しいリトライ回数（0～1000）を設定してください";
  const char kFrom[] = "取得メッセージ番号（左）に数値を入れてください";
  const char kTo[] = "取得メッセージ番号（右）に数値を入れてください";
  // clang-format off
  const struct {
    std::vector<std::string> set;
    const char* message;
  } cases[] = {
      {{"url1=   ", "from=x"}, "取得URL（左）が未入力です"},
      {{"from=", "outfile="}, "取得メッセージ番号（左）に数値を入れてください"},
      {{"maxmsg=0", "to=1x"}, "取得メッセージ番号（右）に数値を入れてください"},
      {{"maxmsg=0", "from=10", "to=9"}, "取得メッセージ番号は左より右を大きく設定してください"},
      {{"maxmsg=0", "from=10", "to= 10 "}, kPassed},
      // Numbers that cannot be counted on by one: not finite, or 2^53 and beyond.
      {{"from=1e400"}, kFrom}, {{"from=1e309", "maxmsg=0", "to=1e309"}, kFrom},
      {{"from=9007199254740992"}, kFrom}, {{"from=-9007199254740992"}, kFrom},
      {{"maxmsg=0", "to=9007199254740992"}, kTo}, {{"maxmsg=0", "to=-1e400", "from=-1e400"}, kFrom},
      {{"maxmsg=0", "from=9007199254740990", "to=9007199254740991"}, kPassed},
      {{"outfile=", "timeout="}, "出力ファイル名を指定してください"},
      {{"outfile=/tmp/a|b.html"}, "出力ファイル名が不正です\r\n|が含まれています"},
      {{"devide=1", "devidecnt=1000000"}, "分割メッセージ件数は1～999999の範囲で指定してください"},
      {{"timeout="}, "タイムアウト値を設定してください"},
      {{"timeout=  "}, kTimeout}, {{"timeout=0"}, kTimeout}, {{"timeout=301"}, kTimeout}, {{"timeout=300"}, kPassed},
      {{"retry=-1"}, kRetry}, {{"retry=1001"}, kRetry}, {{"retry="}, kPassed}, {{"retry=1000"}, kPassed},
      {{"outfile=out.html", "url1=x"}, "出力ファイル名をフルパスで指定してください"},
      {{"url1= http://127.0.0.1:1/board/message?mid= "}, kPassed},  // the spaces do not count
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.set));
    CheckedRun f;
    f.Set(c.set);
    EXPECT_EQ(f.Run(), RunOutcome::Ended);
    ASSERT_EQ(f.ui.Texts(), Texts{c.message});
    const auto& m = f.ui.messages[0];
    EXPECT_EQ(std::tuple(m.caption, m.icon, m.buttons, f.http.urls.size()),
              std::tuple(u"Pellucor", Icon::Critical, Buttons::Ok, size_t{0}));
  }
}

// The window is locked while a run goes on (checked from the window); it comes back unlocked,
// Text_to following Check_MaxMsg, with a cancel request standing for anything still looping.
TEST(RunChecks, PassingChecksSetValuesAndAFailedNetworkSetUpClearsTheStatus) {
  CheckedRun f;
  f.Set({"from=5.0", "to=abc", "devidecnt=0"});  // with Check_MaxMsg Text_to is set, not checked
  f.Run();                                       // not splitting: the count is reset silently
  EXPECT_EQ(
      std::tuple(f.ui.Texts(), f.form.Text_to().Value() + u"|" + f.form.Text_devidecnt().Value(),
                 f.form.status_history, f.program->history.size()),
      std::tuple(Texts{kPassed}, u"5|1000", std::vector<Text>{u"初期設定", u""}, size_t{0}));
  EXPECT_EQ(std::vector<bool>({f.form.cancel_requested, f.form.Text_url1().Enabled(),
                               f.form.Text_to().Enabled(), f.form.Command_Cancel().Enabled()}),
            std::vector<bool>({true, true, false, false}));
  EXPECT_EQ(f.ui.busy_changes, (std::vector<bool>{true, false}));
}

TEST(RunChecks, OutputPathIsCompleted) {
  // Only a folder, title naming off: the question; No ends with the name message.
  CheckedRun f;
  Text folder = f.Path("out/");
  f.form.Text_out().SetValue(folder);
  f.ui.answers = {Answer::No};
  f.Run();
  EXPECT_EQ(f.ui.Texts(), (Texts{"出力ファイル名が未指定です\r\nタイトルをファイル名にしますか？",
                                 "出力ファイル名を指定してください"}));
  EXPECT_EQ(std::tuple(f.ui.messages[0].icon, f.ui.messages[0].buttons, f.ui.beeps),
            std::tuple(Icon::Question, Buttons::YesNo, 1));

  // Yes turns title naming on and leaves the folder as it is.
  f.ui.messages.clear();
  f.ui.answers = {Answer::Yes};
  f.Run();
  EXPECT_EQ(std::tuple(f.form.Check_TopicToFilename().Value(), f.form.Text_out().Value(),
                       f.ui.Texts().back()),
            std::tuple(1, folder, kPassed));

  // Title naming on: the moment's date and time and the output type's mark. No extension
  // anywhere gets one; a dot in the folder part counts.
  const std::pair<Text, Text> names[] = {{folder, folder + u"20010512-134500.html"},
                                         {f.Path("out/topic"), f.Path("out/topic.html")},
                                         {u"/tmp/a.b/topic", u"/tmp/a.b/topic"}};
  for (const auto& [in, out] : names) {
    f.form.Text_out().SetValue(in);
    f.Run();
    EXPECT_EQ(f.form.Text_out().Value(), out);
  }
}

TEST(RunChecks, QuestionsForAnAddressWithANumberAndAnExistingFile) {
  RunFixture f;
  f.form.Text_url1().SetValue(u"http://127.0.0.1:1/board/message?mid=123");
  f.ui.answers = {Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Ended);
  EXPECT_EQ(f.ui.Texts(),
            Texts{"取得URL（左）が 'mid=' で終わっていません\r\n"
                  "取得URL（左）にメッセージ番号が含まれてしまっていませんか？\r\n"
                  "メッセージ番号は取得メッセージ番号の欄で指定してください\r\n\r\n"
                  "このままの設定で取得処理を実行しますか？\r\n"
                  "URLの設定に間違いがない時は「はい(yes)」、戻ってURLを修正する時は「いいえ(no)"
                  "」を選択してください"});
  EXPECT_EQ(f.ui.messages[0].icon, Icon::Question);

  // No to appending ends the run with the file and the history untouched.
  RunFixture g;
  ASSERT_TRUE(WriteFileAtomic(g.Path("out/topic.html"), "old"));
  g.ui.answers = {Answer::No};
  EXPECT_EQ(g.Run(), RunOutcome::Ended);
  EXPECT_EQ(g.ui.Texts(), Texts{"ファイル（" + ToUtf8(g.Path("out/topic.html")) +
                                "）が既に存在します\r\nこのファイルにデータを追加しますか？"});
  EXPECT_EQ(std::pair(g.Read("out/topic.html"), FileExists(g.Path("record.dat"))),
            std::pair(std::string("old"), false));
}

constexpr char kDone[] = "処理が完了しました\r\n結果を表示しますか？";
const std::string kBusy = "<html><body>busy</body></html>";

TEST(FetchStatus, EstimateFromTheFourthMessage) {
  // The message, the first and the last of the range, the seconds since the start.
  const std::tuple<double, double, double, int64_t, const char*> cases[] = {
      {1, 1, 10, 0, "msg( 1 ) 取得中"},
      {3, 1, 10, 4, "msg( 3 ) 取得中"},
      {4, 1, 60, 3, "msg( 4 ) 取得中  終了まで約57秒 (1.0秒/1件)"},
      {4, 1, 63, 3, "msg( 4 ) 取得中  終了まで約1分0秒 (1.0秒/1件)"},
      {104, 10, 197, 125, "msg( 104 ) 取得中  終了まで約2分5秒 (1.3秒/1件)"}};
  for (const auto& [n, first, to, elapsed, expected] : cases)
    EXPECT_EQ(ToUtf8(FetchStatusText(n, first, to, elapsed)), expected);
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

// Message 2 of 3 misbehaves. The sizes, server errors, pauses and retry counts in detail, and
// ten empty answers against eleven: retrying_fetch_test.
TEST(FetchLoop, RetriesOfTimeOutsAndEmptyAnswersAndTheErrorDialog) {
  auto times = [](int n, FetchResult r) { return std::deque<FetchResult>(n, r); };
  const FetchResult empty = FakeHttp::Answer(""), busy = FakeHttp::Answer(kBusy);
  const std::string kEmpty = "原因不明のエラーにより再試行(";
  const std::string kNetwork =
      "原因不明のエラーが発生したためデータの取得に失敗しました\r\n"
      "ネットワークに接続されていない、もしくは切断された可能性があります\r\n"
      "プロキシを使用している場合はプロキシの設定を見なおしてください\r\n"
      "何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";
  struct Case {
    const char* name;
    std::deque<FetchResult> answers;
    const char* setting;
    std::deque<Answer> dialog;
    Texts messages;
    std::string last_retry;  // the last retry status, its number the count of retries
    int paused;              // milliseconds of pauses between the receive retries
    const char16_t* from;    // where the next run starts: 4 once the run finished
  };
  // clang-format off
  const Case cases[] = {
      {"eleven empty answers", times(11, empty), "", {}, {kNetwork}, kEmpty + "10/10)", 20000, u"2"},
      {"one more, then Retry", times(4, FakeHttp::Failed()), "", {Answer::Retry}, {"Operation timed out", kDone},
       "リトライ(3/3)", 0, u"4"},
      {"receive-retry mode", times(2, busy), "error=2", {}, {kDone}, kEmpty + "2/10)", 4000, u"4"},
      {"receive-retry mode, kept blank", times(11, busy), "error=2", {}, {kDone}, kEmpty + "10/10)", 20000, u"4"},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RunFixture f;
    f.http.count = 3;
    f.http.scripted[2] = c.answers;
    if (*c.setting) f.Set({c.setting});
    f.ui.answers = c.dialog;
    const bool finished = c.from == Text(u"4");
    EXPECT_EQ(f.Run(), finished ? RunOutcome::Finished : RunOutcome::Ended);
    std::string last_retry;
    for (const Text& s : f.form.status_history)
      if (s.find(u" - ") != Text::npos) last_retry = ToUtf8(s);
    const int paused = std::accumulate(f.clock.sleeps.begin(), f.clock.sleeps.end(), 0);
    EXPECT_EQ(
        std::tuple(f.ui.Texts(), last_retry, paused, f.form.Text_from().Value()),
        std::tuple(c.messages, c.last_retry.empty() ? "" : "msg( 2 ) 取得中 - " + c.last_retry,
                   c.paused, c.from));
    // Every page that went through was written from its own page, never a stale one.
    if (finished && c.answers.size() < 11) {
      EXPECT_NE(f.Read("out/topic.html").find(EncodeCp932(u"第2回の話題")), std::string::npos);
    }
  }
}

// The cancel message, status, next start and history are checked with Ctrl-C on the command line.
TEST(FetchLoop, CancelDuringTimeOutRetriesAndAtTheFirstMessage) {
  for (int at : {3, 1}) {
    RunFixture f;
    f.http.count = 5;
    f.Set({"retry=5"});
    f.http.scripted[3] = {FakeHttp::Failed(), FakeHttp::Failed()};
    int fetches = 0;  // of message `at`: no further attempt after the cancel
    f.http.on_fetch = [&](const Text& url) {
      if (url.back() == u'0' + at && ++fetches == (at == 3 ? 2 : 1)) f.form.cancel_requested = true;
    };
    EXPECT_EQ(f.Run(), RunOutcome::Cancelled);
    EXPECT_EQ(
        std::tuple(f.ui.Texts(), fetches, f.program->history.size(),
                   FileExists(f.Path("out/topic.html")), f.form.Text_from().Value()),
        std::tuple(Texts{"処理を中断します。MSG:" + std::to_string(at - 1) + "まで処理しました。"},
                   at == 3 ? 2 : 1, size_t(at == 3), at == 3, Text(1, u'0' + at)));
  }
}

// A Cancel clicked after Run handed the job to the worker, before the run started, is not lost
// when the run clears the request of the last one; the next run starts afresh.
TEST(FetchLoop, CancelBeforeTheRunStartedIsKept) {
  RunFixture f;
  f.http.count = 3;
  f.form.cancel_at_start = true;
  EXPECT_EQ(f.Run(), RunOutcome::Cancelled);
  EXPECT_EQ(f.ui.Texts(), Texts{"処理を中断します。MSG:0まで処理しました。"});
  EXPECT_LE(f.http.urls.size(), size_t{1});
  f.ui.answers.clear();
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
}

TEST(FetchLoop, InvalidPagesAskThenFollowUpSelectsIgnore) {
  RunFixture f;
  f.http.count = 6;
  f.Set({"error=0"});
  f.http.scripted[2] = f.http.scripted[4] = {FakeHttp::Answer(kBusy)};
  f.ui.answers = {Answer::Yes, Answer::No};
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  EXPECT_EQ(f.ui.Texts(),  // message 4 is not asked about
            (Texts{ToUtf8(InvalidPageQuestion(u"busy")),
                   "次にデータ受信エラーが発生した際もこの確認画面を表示しますか？", kDone}));
  EXPECT_EQ(f.form.Option_Error().Index(), 1);
}

// Beyond the highest number: nothing to collect, nothing to save. Reaching it, the page is read
// again (the topic grew meanwhile). A page without the number stops the run at once.
TEST(FetchLoop, HighestNumberRules) {
  // Messages on the board, the number its pages show (then once message 3 is read), the start,
  // the message, the pages fetched.
  // clang-format off
  const std::tuple<int, int, int, const char*, const char*, size_t> cases[] = {
      {5, 3, 3, "from=5", "メッセージ番号5以降のデータはありませんでした\r\n最大メッセージ数=3", 1},
      {8, 3, 8, "from=1", kDone, 8},
      {0, 0, 0, "from=1", "最大メッセージ数が取得できなかったので処理を中断します", 1},
  };  // clang-format on
  for (const auto& [count, highest, grown, from, message, fetches] : cases) {
    RunFixture f;
    f.http.count = count;
    f.http.highest = highest;
    f.Set({from});
    f.http.on_fetch = [&f, grown](const Text& url) {
      if (url.back() == u'3') f.http.highest = grown;
    };
    const bool finished = message == kDone;
    EXPECT_EQ(f.Run(), finished ? RunOutcome::Finished : RunOutcome::Ended);
    EXPECT_EQ(std::tuple(f.ui.Texts(), f.http.urls.size(), FileExists(f.Path("record.dat"))),
              std::tuple(Texts{message}, fetches, finished));
  }
}

// A highest number past 2^53 - 1 ends the range there: N + 1 could not move on after it, and
// no address is ever fetched twice in a row but as a retry.
TEST(FetchLoop, HighestNumberBeyondCounting) {
  RunFixture f;
  f.http.count = 9007199254740995;
  f.http.highest = 9007199254740993;
  f.Set({"from=9007199254740990"});
  f.http.on_fetch = [&](const Text&) { f.form.cancel_requested = f.http.urls.size() == 5; };
  EXPECT_EQ(f.Run(), RunOutcome::Finished);
  EXPECT_EQ(std::pair(f.http.urls.size(), f.form.Text_from().Value()),
            std::pair(size_t{2}, Text(u"9007199254740992")));
}

TEST(FetchLoop, ErrorLogRecordsRetriesOnlyWhenChecked) {
  for (bool checked : {true, false}) {
    RunFixture f;
    f.http.count = 3;
    f.Set({"log=" + std::to_string(checked)});
    f.http.scripted[2] = {FakeHttp::Failed(), FakeHttp::Answer("")};
    EXPECT_EQ(f.Run(), RunOutcome::Finished);
    const Text log = DecodeCp932(f.Read("error.log"));
    auto has = [&](const char16_t* line) { return log.find(line) != Text::npos; };
    EXPECT_EQ(
        std::tuple(FileExists(f.Path("error.log")), has(u"原因不明のエラーにより再試行(1/10)"),
                   has(u"2001/05/12 13:45:00\tmsg(2)\thttp://127.0.0.1:1/board/message?mid=2\t"
                       u"タイムアウト - リトライ(1/3)\r\n")),
        std::tuple(checked, checked, checked));
  }
}

}  // namespace
}  // namespace pellucor
