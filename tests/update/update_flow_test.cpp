#include <gtest/gtest.h>
#include <httplib.h>

#include <deque>
#include <thread>

#include "app/main_form.h"
#include "app/network.h"
#include "platform/curl_http.h"
#include "support/board_server.h"
#include "support/fake_clock.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"
#include "update/update.h"

namespace pellucor {
namespace {

using testing::BoardServer;
using testing::FakeClock;
using testing::ScratchFolder;
using testing::ScriptedUi;

// Answers fetches from a queue (the last answer repeats) and records the addresses.
class QueueHttp : public HttpClient {
 public:
  std::deque<FetchResult> answers;
  std::vector<Text> urls;
  std::function<void()> on_fetch;
  int timeout = 0;

  void SetAccessType(int) override {}
  void SetProxy(const Text&) override {}
  void SetTimeout(int seconds) override { timeout = seconds; }
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override {
    urls.push_back(url);
    idle();
    if (on_fetch) on_fetch();
    FetchResult r = answers.front();
    if (answers.size() > 1) answers.pop_front();
    return r;
  }
};

FetchResult Ok(std::string body) {
  FetchResult r;
  r.status = FetchResult::Status::Ok;
  r.body = std::move(body);
  return r;
}
FetchResult Timeout() {
  FetchResult r;
  r.status = FetchResult::Status::Timeout;
  r.error = u"Timeout was reached";
  return r;
}
FetchResult Failed() {
  FetchResult r;
  r.status = FetchResult::Status::Failed;
  r.error = u"Couldn't connect to server";
  return r;
}

const Text kReceiveError =
    u"データ受信エラーが発生したため処理を中断します\r\n"
    u"ネットワークに接続されていない、もしくは切断された可能性があります\r\n"
    u"プロキシを使用している場合はプロキシの設定を見なおしてください\r\n"
    u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";

class FetchTest : public ::testing::Test {
 protected:
  FetchTest() {
    form.Text_Timeout().SetValue(u"15");
    form.Text_Retry().SetValue(u"2");
    form.cancel_requested = false;
  }
  UpdateContext Context() {
    UpdateContext ctx{form, ui, http, clock, u"/nonexistent/", u"http://127.0.0.1:9/u/"};
    return ctx;
  }
  MemoryForm form;
  ScriptedUi ui;
  QueueHttp http;
  FakeClock clock;
};

TEST_F(FetchTest, NetworkValuesAreCheckedFirst) {
  struct Case {
    const char16_t* timeout;
    const char16_t* retry;
    const char16_t* message;
  };
  for (const Case& c : {Case{u"", u"1", u"タイムアウト値を設定してください"},
                        Case{u"0", u"1", u"正しいタイムアウト値（1～300）を設定してください"},
                        Case{u"301", u"1", u"正しいタイムアウト値（1～300）を設定してください"},
                        Case{u"300", u"-1", u"正しいリトライ回数（0～1000）を設定してください"},
                        Case{u"1", u"1001", u"正しいリトライ回数（0～1000）を設定してください"}}) {
    form.Text_Timeout().SetValue(c.timeout);
    form.Text_Retry().SetValue(c.retry);
    ui.messages.clear();
    UpdateContext ctx = Context();
    EXPECT_FALSE(FetchVersionList(ctx));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].text, c.message);
    EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  }
  EXPECT_TRUE(http.urls.empty());
}

TEST_F(FetchTest, TimeoutsAreRetriedUpToTheRetryCountThenOfferedAsAnError) {
  http.answers = {Timeout(), Timeout(), Timeout(), Ok("a.bbs,A,1\r\n")};
  ui.answers = {Answer::Retry};
  UpdateContext ctx = Context();
  EXPECT_TRUE(FetchVersionList(ctx));
  EXPECT_EQ(http.urls.size(), 4u);
  EXPECT_EQ(http.urls[0], u"http://127.0.0.1:9/u/version");
  EXPECT_EQ(form.status_history,
            (std::vector<Text>{u"バージョン情報取得中", u"バージョン情報取得中 - リトライ(1/2)",
                               u"バージョン情報取得中 - リトライ(2/2)"}));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"Timeout was reached");
  EXPECT_EQ(ui.messages[0].caption, u"エラー");
  EXPECT_EQ(ui.messages[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_TRUE(clock.sleeps.empty());  // time-outs are retried at once
  ASSERT_EQ(ctx.list.size(), 1u);
}

TEST_F(FetchTest, EmptyAnswersAreRetriedTenTimesWithPauses) {
  http.answers = {Ok("x")};  // one byte counts as nothing received
  UpdateContext ctx = Context();
  EXPECT_FALSE(FetchVersionList(ctx));
  EXPECT_EQ(http.urls.size(), 11u);
  EXPECT_EQ(clock.sleeps, std::vector<int>(10, 2000));
  EXPECT_EQ(form.status_history[1], u"バージョン情報取得中 - 原因不明のエラーにより再試行(1/10)");
  EXPECT_EQ(form.status_history[10], u"バージョン情報取得中 - 原因不明のエラーにより再試行(10/10)");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, kReceiveError);
  EXPECT_EQ(form.Label_status().Value(), u"");

  // Ignore in the error dialog counts as an empty answer.
  http.answers = {Failed(), Ok("a.bbs,A,1")};
  ui.answers = {Answer::Ignore};
  ui.messages.clear();
  clock.sleeps.clear();
  EXPECT_TRUE(FetchVersionList(ctx));
  EXPECT_EQ(clock.sleeps, std::vector<int>{2000});
}

TEST_F(FetchTest, CancelStopsTheCheck) {
  http.answers = {Timeout()};
  http.on_fetch = [this] { form.cancel_requested = true; };
  UpdateContext ctx = Context();
  EXPECT_FALSE(FetchVersionList(ctx));
  EXPECT_EQ(http.urls.size(), 1u);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"処理を中断します。");
  EXPECT_EQ(form.Label_status().Value(), u"");
}

TEST_F(FetchTest, BrokenListsFailWithTheirMessages) {
  UpdateContext ctx = Context();
  http.answers = {Ok("this is no version list")};
  EXPECT_FALSE(FetchVersionList(ctx));
  http.answers = {Ok("a.bbs,A,1\r\nb.bbs,,2\r\n")};
  EXPECT_FALSE(FetchVersionList(ctx));
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text,
            u"処理対象データ無し\r\nサーバ側のバージョン確認ファイルが壊れている可能性があります");
  EXPECT_EQ(ui.messages[1].text,
            u"取得データが不正です\r\n"
            u"再度実行しても同じエラーが出る場合は、サポート掲示板で問い合わせてください");
  EXPECT_TRUE(ctx.list.empty());
}

// The whole flow against the loopback board server with the real HTTP client.
class LoopbackUpdateTest : public ::testing::Test {
 protected:
  LoopbackUpdateTest() {
    form.Option_Proxy().SetIndex(1);  // direct: environment proxies must not see 127.0.0.1
    form.Text_Timeout().SetValue(u"5");
    form.Text_Retry().SetValue(u"0");
  }

  UpdateContext Context() {
    UpdateContext ctx{form, ui, http, clock, home.Dir(), FromUtf8(server.base() + "/update/")};
    ctx.apply_network_settings = [this] { return ApplyNetworkSettings(form, http, ui); };
    ctx.refresh_board_catalog = [this] { ++board_refreshes; };
    ctx.refresh_output_catalog = [this] { ++output_refreshes; };
    ctx.download_window = [this](DownloadList& list) {
      rows.clear();
      for (const auto& r : BuildDownloadRows(list)) rows.push_back(r.text);
      std::vector<DownloadRow> shown = BuildDownloadRows(list);
      if (shown.empty()) {
        ShowNothingToUpdate(ui);
        return;
      }
      ConfirmDownloadSelection(ui, list, shown, std::vector<bool>(shown.size(), true));
    };
    return ctx;
  }
  void Serve(const std::string& name, const std::string& bytes) {
    server.ServeFile("/update/" + name, bytes);
  }

  ScratchFolder root;  // the program folder is a sub-folder, so "../" has somewhere to go
  struct Home {
    explicit Home(const ScratchFolder& r) : dir(r.Path(u"prog/")) {
      std::filesystem::create_directories(ToUtf8(dir));
    }
    Text Dir() const { return dir; }
    Text Path(const Text& n) const { return dir + n; }
    Text dir;
  } home{root};
  BoardServer server;
  MemoryForm form;
  ScriptedUi ui;
  CurlHttpClient http;
  FakeClock clock;
  std::vector<Text> rows;
  int board_refreshes = 0;
  int output_refreshes = 0;
};

std::string Def(int version, const std::string& extra = "") {
  return "[basic]\r\nname=test\r\nversion=" + std::to_string(version) + "\r\n" + extra;
}

TEST_F(LoopbackUpdateTest, OffersNewAndUpdatedFilesAndKeepsBackups) {
  root.Write(u"prog/a.bbs", Def(3, "old=1\r\n"));
  root.Write(u"prog/same.bbs", Def(5));
  root.Write(u"prog/c.out", Def(1));
  root.Write(u"prog/X.BBS", Def(1));
  root.Write(u"prog/a.bbs.bak", "an even older backup");
  Serve("version",
        EncodeCp932(u"a.bbs,Aボード,4\r\nsame.bbs,同じ,5\r\nc.out,出力,2\r\nnew.bbs,新規板,1\r\n"
                    u"X.BBS,大文字,9\r\n../evil.bbs,外,9\r\nsub/evil.out,外,9\r\n"));
  Serve("a.bbs", Def(4, "new=1\r\n"));
  Serve("c.out", Def(2));
  Serve("new.bbs", EncodeCp932(u"[basic]\r\nname=test\r\nversion=1\r\n日本語=はい\r\n"));
  Serve("X.BBS", Def(9));
  Serve("../evil.bbs", Def(9));

  UpdateContext ctx = Context();
  EXPECT_TRUE(CheckForUpdates(ctx, true, true));

  ASSERT_EQ(rows.size(), 3u) << ui.Texts().size();
  const Text today = FormatYmd(FileModified(home.Path(u"a.bbs.bak")).value());
  EXPECT_EQ(rows[0], u"更新　a.bbs(Aボード) 前回更新日:" + today);
  EXPECT_EQ(rows[1], u"更新　c.out(出力) 前回更新日:" + today);
  EXPECT_EQ(rows[2], u"新規　new.bbs(新規板)");

  EXPECT_EQ(root.Read(u"prog/a.bbs"), Def(4, "new=1\r\n"));
  EXPECT_EQ(root.Read(u"prog/a.bbs.bak"), Def(3, "old=1\r\n"));  // the older .bak is replaced
  EXPECT_EQ(root.Read(u"prog/c.out.bak"), Def(1));
  EXPECT_EQ(root.Read(u"prog/new.bbs"),
            EncodeCp932(u"[basic]\r\nname=test\r\nversion=1\r\n日本語=はい\r\n"));
  EXPECT_FALSE(root.Exists(u"prog/new.bbs.bak"));
  EXPECT_EQ(root.Read(u"prog/X.BBS"), Def(1));
  EXPECT_FALSE(root.Exists(u"evil.bbs"));
  EXPECT_FALSE(root.Exists(u"prog/sub/evil.out"));
  for (auto& e : std::filesystem::directory_iterator(ToUtf8(home.Dir())))
    EXPECT_EQ(e.path().string().find(".download"), std::string::npos) << e.path();

  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, u"処理が完了しました");
  EXPECT_EQ(board_refreshes, 1);
  EXPECT_EQ(output_refreshes, 1);
  EXPECT_EQ(form.Label_status().Value(), u"");
  EXPECT_TRUE(form.cancel_requested);  // the window is idle again
}

TEST_F(LoopbackUpdateTest, UpToDateShowsTheMessageAndStillRefreshes) {
  root.Write(u"prog/a.bbs", Def(2));
  root.Write(u"prog/b.out", Def(1));
  Serve("version", "a.bbs,A,2\r\nb.out,B,7\r\n");
  UpdateContext ctx = Context();
  CheckForUpdates(ctx, true, false);  // boards only: the newer output type is not offered
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, u"更新対象のファイルは有りません\r\n全て最新バージョンです");
  EXPECT_EQ(board_refreshes, 1);
  EXPECT_EQ(output_refreshes, 0);
}

TEST_F(LoopbackUpdateTest, BrokenListOnTheSiteFailsWithItsMessage) {
  Serve("version", "a.bbs,,1\r\n");
  UpdateContext ctx = Context();
  EXPECT_FALSE(CheckForUpdates(ctx, true, true));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text.substr(0, 10), u"取得データが不正です");
  EXPECT_EQ(board_refreshes, 0);
}

TEST_F(LoopbackUpdateTest, ErrorPageFromTheSiteIsNotWrittenAsADefinition) {
  root.Write(u"prog/a.bbs", Def(1));
  Serve("version", "a.bbs,A,2\r\nb.bbs,B,1\r\n");  // neither file is served: 404 pages come
  UpdateContext ctx = Context();
  CheckForUpdates(ctx, true, false);
  EXPECT_EQ(root.Read(u"prog/a.bbs"), Def(1));
  EXPECT_FALSE(root.Exists(u"prog/a.bbs.bak"));
  EXPECT_FALSE(root.Exists(u"prog/b.bbs"));
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().text, kReceiveError);
}

// A server that announces a definition file and breaks off in the middle of it.
class CutServer {
 public:
  CutServer() {
    server_.Get("/u/version", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("a.bbs,A,2\r\n", "text/plain");
    });
    server_.Get("/u/a.bbs", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(4096, "text/plain",
                               [](size_t offset, size_t, httplib::DataSink& sink) {
                                 if (offset > 0) return false;
                                 std::string half(2048, 'x');
                                 sink.write(half.data(), half.size());
                                 return true;
                               });
    });
    port_ = server_.bind_to_any_port("127.0.0.1");
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    for (int i = 0; i < 500 && !server_.is_running(); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~CutServer() {
    server_.stop();
    thread_.join();
  }
  Text Base() const { return FromUtf8("http://127.0.0.1:" + std::to_string(port_) + "/u/"); }

 private:
  httplib::Server server_;
  std::thread thread_;
  int port_ = 0;
};

TEST_F(LoopbackUpdateTest, TransferCutInTheMiddleLeavesTheOldFile) {
  CutServer cut;
  root.Write(u"prog/a.bbs", Def(1));
  UpdateContext ctx = Context();
  ctx.base_url = cut.Base();
  ui.answers = {Answer::Abort};
  EXPECT_FALSE(CheckForUpdates(ctx, true, false));
  EXPECT_EQ(root.Read(u"prog/a.bbs"), Def(1));
  EXPECT_FALSE(root.Exists(u"prog/a.bbs.bak"));
  ASSERT_FALSE(ui.messages.empty());
  EXPECT_EQ(ui.messages.back().caption, u"エラー");
  for (const auto& m : ui.messages) EXPECT_NE(m.text, u"処理が完了しました");
}

}  // namespace
}  // namespace pellucor
