// The run's checks, in their order and with their exact messages.
#include "app/run_command.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/run_fixture.h"

namespace pellucor {
namespace {

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

}  // namespace
}  // namespace pellucor
