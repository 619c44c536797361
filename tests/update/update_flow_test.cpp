#include <gtest/gtest.h>
#include <httplib.h>

#include <deque>
#include <set>
#include <thread>

#include "app/form_values.h"
#include "app/network.h"
#include "platform/curl_http.h"
#include "support/board_server.h"
#include "support/fake_clock.h"
#include "support/scratch_folder.h"
#include "support/scripted_ui.h"
#include "update/update.h"

namespace pellucor {
namespace {

using S = FetchResult::Status;
using Texts = std::vector<std::string>;
using VR = VersionListResult;

// Names are trimmed, comments kept as they stand, halves go to the even neighbour and the
// extension test is exact; the last line needs no line end and a line starting with a comma ends
// the list. A failure leaves the list empty: lines before a broken line go with it.
TEST(ParseVersionList, Rules) {
  // clang-format off
  const std::tuple<const char16_t*, VR, Texts> cases[] = {
      {u"  _yahoo.bbs , Yahoo掲示板 ,12\r\nhtml.out,HTML出力, 2.5\r\nreadme.txt,説明,3.5\r\nX.BBS,upper,1",
       VR::Ok, {"_yahoo.bbs| Yahoo掲示板 |12|19", "html.out|HTML出力|2|29", "readme.txt|説明|4|99", "X.BBS|upper|1|99"}},
      {u"a.bbs,A,1\r\n,b.bbs,B,2\r\n", VR::Ok, {"a.bbs|A|1|19"}},
      {u"", VR::NoData, {}}, {u"\r\n\r\n", VR::NoData, {}}, {u"no fields", VR::NoData, {}},
      {u",a,x,1", VR::NoData, {}}, {u"a.bbs,,1", VR::Invalid, {}}, {u"a.bbs,A\r\n", VR::Invalid, {}},
      {u"a,A,\r\nb,B,1", VR::Invalid, {}}, {u"a,A,1\r\nb,,2", VR::Invalid, {}}};
  // clang-format on
  for (const auto& [text, result, rows] : cases) {
    DownloadList list(3);
    EXPECT_EQ(ParseVersionList(text, list), result) << ToUtf8(text);
    Texts got;
    for (const auto& e : list)
      got.push_back(ToUtf8(e.file + u"|" + e.comment) + "|" + std::to_string(e.site_version) + "|" +
                    std::to_string(e.kind) + std::to_string(e.state));
    EXPECT_EQ(got, rows) << ToUtf8(text);
  }
}

TEST(IsPlainFileName, OnlyNamesDirectlyInTheProgramFolder) {
  for (const char16_t* ok : {u" a.bbs ", u"..a.bbs", u"日本語.out", u"a b.bbs"})
    EXPECT_TRUE(IsPlainFileName(ok)) << ToUtf8(ok);
  for (const char16_t* bad : {u"", u"   ", u".", u" .. ", u"../x.bbs", u"sub/x.bbs", u"/etc/x.bbs",
                              u"..\\x.bbs", u"a\r\nb.bbs", u"a\tb.out"})
    EXPECT_FALSE(IsPlainFileName(bad)) << ToUtf8(bad);
}

TEST(DownloadWindow, NothingTickedAsksAndExplains) {
  DownloadList list(3);
  const std::vector<DownloadRow> rows = {{u"", 0}, {u"", 2}};
  testing::ScriptedUi ui;
  ui.answers = {Answer::No};
  EXPECT_FALSE(ConfirmDownloadSelection(ui, list, rows, {false, false}));
  EXPECT_EQ(ui.Texts(), (Texts{"何も選択されていません。ダウンロード処理をキャンセルしますか？",
                               "一覧より、ダウンロードしたい設定ファイルを選択（クリック）して\r\n"
                               "左側のチェックボックスにチェックがついたのを確認してから\r\n"
                               "ダウンロードボタンを押してください。"}));
  EXPECT_TRUE(ConfirmDownloadSelection(ui, list, rows, {false, false}));  // Yes: cancel
  // A ticked row is downloaded: tests/gui/tool_windows_test.cpp.
}

// Answers fetches from a queue (the last answer repeats) and records the addresses.
class QueueHttp : public HttpClient {
 public:
  std::deque<FetchResult> answers;
  std::vector<Text> urls;
  void SetAccessType(int) override {}
  void SetProxy(const Text&) override {}
  void SetTimeout(int) override {}
  FetchResult Fetch(const Text& url, const std::function<bool()>& idle) override {
    urls.push_back(url);
    idle();
    FetchResult r = answers.front();
    if (answers.size() > 1) answers.pop_front();
    return r;
  }
};

FetchResult R(S status, std::string body = "") {
  return {status, std::move(body), 200, status == S::Ok ? u"" : u"Timeout was reached"};
}

const std::string kReceiveError =
    "データ受信エラーが発生したため処理を中断します\r\n"
    "ネットワークに接続されていない、もしくは切断された可能性があります\r\n"
    "プロキシを使用している場合はプロキシの設定を見なおしてください\r\n"
    "何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";

class FetchTest : public ::testing::Test {
 protected:
  FetchTest() {
    ctx.timeout = u"15";
    ctx.retry = u"2";
    ctx.cancelled = [this] { return cancel; };
    ctx.status = [this](const Text& text) { statuses.push_back(text); };
  }
  testing::ScriptedUi ui;
  QueueHttp http;
  testing::FakeClock clock;
  UpdateContext ctx{ui, http, clock, u"/nonexistent/", u"http://127.0.0.1:9/u/"};
  bool cancel = false;
  std::vector<Text> statuses;
};

TEST_F(FetchTest, NetworkValuesAreCheckedFirst) {
  const char *t = "正しいタイムアウト値（1～300）を設定してください",
             *r = "正しいリトライ回数（0～1000）を設定してください";
  const std::tuple<const char16_t*, const char16_t*, const char*> cases[] = {
      {u"", u"1", "タイムアウト値を設定してください"},
      {u"0", u"1", t},
      {u"301", u"1", t},
      {u"300", u"-1", r},
      {u"1", u"1001", r}};
  for (const auto& [timeout, retry, message] : cases) {
    ctx.timeout = timeout;
    ctx.retry = retry;
    ui.messages.clear();
    EXPECT_FALSE(FetchVersionList(ctx));
    EXPECT_EQ(ui.Texts(), Texts{message});
  }
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
  EXPECT_TRUE(http.urls.empty());
}

// The retry rules are the shared fetch's own; here the update's count, status line and messages.
TEST_F(FetchTest, RetriesCancelAndBrokenListsEndWithTheirMessages) {
  const struct {
    const char* name;
    std::deque<FetchResult> answers;
    bool cancel, ok;
    size_t fetches, pauses;
    const char16_t* status;  // one of the status lines shown
    std::string message;
  } cases[] = {
      // clang-format off
      // Two time-outs retried at once, the third offered as an error: Retry.
      {"time-outs", {R(S::Timeout), R(S::Timeout), R(S::Timeout), R(S::Ok, "a.bbs,A,1\r\n")},
       false, true, 4, 0, u"バージョン情報取得中 - リトライ(2/2)", "Timeout was reached"},
      {"one byte is nothing", {R(S::Ok, "x")}, false, false, 11, 10,
       u"バージョン情報取得中 - 原因不明のエラーにより再試行(10/10)", kReceiveError},
      {"cancel", {R(S::Timeout)}, true, false, 1, 0, u"バージョン情報取得中", "処理を中断します。"},
      {"no list", {R(S::Ok, "no version list")}, false, false, 1, 0, u"",
       "処理対象データ無し\r\nサーバ側のバージョン確認ファイルが壊れている可能性があります"},
      {"broken list", {R(S::Ok, "a.bbs,A,1\r\nb.bbs,,2\r\n")}, false, false, 1, 0, u"",
       "取得データが不正です\r\n再度実行しても同じエラーが出る場合は、サポート掲示板で問い合わせてください"},
      // clang-format on
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    http.answers = c.answers;
    http.urls.clear();
    ui.messages.clear();
    ui.answers = {Answer::Retry};
    clock.sleeps.clear();
    statuses.clear();
    cancel = c.cancel;
    EXPECT_EQ(FetchVersionList(ctx), c.ok);
    EXPECT_EQ(std::tuple(http.urls.size(), clock.sleeps.size(), ui.Texts()),
              std::tuple(c.fetches, c.pauses, Texts{c.message}));
    EXPECT_NE(std::find(statuses.begin(), statuses.end(), c.status), statuses.end());
    EXPECT_EQ(http.urls[0], u"http://127.0.0.1:9/u/version");
  }
}

// The whole flow against the loopback board server with the real HTTP client; the program
// folder is a sub-folder, so "../" has somewhere to go.
class LoopbackUpdateTest : public ::testing::Test {
 protected:
  LoopbackUpdateTest() {
    std::filesystem::create_directories(ToUtf8(root.Path(u"prog")));
    form.Option_Proxy().SetIndex(1);  // direct: environment proxies must not see 127.0.0.1
    form.Text_Timeout().SetValue(u"5");
    form.Text_Retry().SetValue(u"0");
    BindUpdateToForm(ctx, form);
    ctx.set_run_state = [this](bool running) { form.cancel_requested = !running; };
    ctx.apply_network_settings = [this] { return ApplyNetworkSettings(form, http, ui); };
    ctx.refresh_board_catalog = [this] { ++board_refreshes; };
    ctx.refresh_output_catalog = [this] { ++output_refreshes; };
    ctx.download_window = [this](DownloadList& list) {
      std::vector<DownloadRow> shown = BuildDownloadRows(list);
      for (const auto& r : shown) rows.push_back(r.text);
      if (shown.empty()) return ShowNothingToUpdate(ui);
      ConfirmDownloadSelection(ui, list, shown, std::vector<bool>(shown.size(), true));
    };
  }
  // Local files (name, content), and the site's version list and files.
  void Setup(std::initializer_list<std::pair<const char16_t*, std::string>> local,
             const std::string& version,
             std::initializer_list<std::pair<const char*, std::string>> site = {}) {
    for (const auto& [name, bytes] : local) root.Write(Text(u"prog/") + name, bytes);
    server.ServeFile("/update/version", version);
    for (const auto& [name, bytes] : site) server.ServeFile(std::string("/update/") + name, bytes);
  }

  testing::ScratchFolder root;
  testing::BoardServer server;
  MemoryForm form;
  testing::ScriptedUi ui;
  CurlHttpClient http;
  testing::FakeClock clock;
  UpdateContext ctx{ui, http, clock, root.Path(u"prog/"), FromUtf8(server.base() + "/update/")};
  std::vector<Text> rows;
  int board_refreshes = 0, output_refreshes = 0;
};

// A board definition that loads; `extra` is appended to its [basic] section.
std::string Def(int version, const std::string& extra = "") {
  return "[basic]\r\nname=test\r\nversion=" + std::to_string(version) + "\r\n" + extra +
         "item_cnt=1\r\n\r\n[item1]\r\nname=" + EncodeCp932(u"本文") + "\r\nbf_from=<p>\r\n";
}

std::set<std::string> FilesIn(const testing::ScratchFolder& root) {
  std::set<std::string> files;
  for (auto& e : std::filesystem::directory_iterator(ToUtf8(root.Path(u"prog"))))
    files.insert(e.path().filename().string());
  return files;
}

TEST_F(LoopbackUpdateTest, OffersNewAndUpdatedFilesAndKeepsBackups) {
  const std::string fresh = Def(1, EncodeCp932(u"日本語=はい\r\n"));
  // c.out has no version key: 0. A newer local file, an upper-case extension and names
  // outside the program folder are never offered. broken.bbs does not load, so its backup
  // stays; the name with a space and kanji reaches the site percent-encoded.
  Setup({{u"a.bbs", Def(3, "old=1\r\n")},
         {u"a.bbs.bak", "an even older backup"},
         {u"broken.bbs", "[basic]\r\nversion=1\r\n"},
         {u"broken.bbs.bak", Def(1)},
         {u"same.bbs", Def(5)},
         {u"newer.bbs", Def(9)},
         {u"c.out", "[basic]\r\n"},
         {u"X.BBS", Def(1)}},
        EncodeCp932(u"a.bbs,Aボード,4\r\nsame.bbs,同じ,5\r\nnewer.bbs,古,8\r\nc.out,出力,1\r\n"
                    u"new.bbs,新規板,1\r\nX.BBS,大文字,9\r\n../evil.bbs,外,9\r\nsub/e.out,外,9\r\n"
                    u"broken.bbs,壊,2\r\n新 板#.bbs,空白,1"),
        {{"a.bbs", Def(4, "new=1\r\n")},
         {"broken.bbs", Def(2)},
         {"新 板#.bbs", Def(1)},
         {"c.out", Def(1)},
         {"new.bbs", fresh},
         {"newer.bbs", Def(8)},
         {"X.BBS", Def(9)},
         {"../evil.bbs", Def(9)}});

  EXPECT_TRUE(CheckForUpdates(ctx, true, true));
  const Text today =
      u" 前回更新日:" + FormatYmd(FileModified(root.Path(u"prog/a.bbs.bak")).value());
  EXPECT_EQ(rows, (std::vector<Text>{u"更新　a.bbs(Aボード)" + today, u"更新　c.out(出力)" + today,
                                     u"新規　new.bbs(新規板)", u"更新　broken.bbs(壊)" + today,
                                     u"新規　新 板#.bbs(空白)"}));
  // The older .bak is replaced; nothing is written outside the folder or left half-done.
  EXPECT_EQ(FilesIn(root), (std::set<std::string>{"a.bbs", "a.bbs.bak", "same.bbs", "newer.bbs",
                                                  "c.out", "c.out.bak", "new.bbs", "X.BBS",
                                                  "broken.bbs", "broken.bbs.bak", "新 板#.bbs"}));
  EXPECT_EQ(root.Read(u"prog/a.bbs") + root.Read(u"prog/a.bbs.bak") + root.Read(u"prog/c.out.bak") +
                root.Read(u"prog/new.bbs") + root.Read(u"prog/X.BBS") +
                root.Read(u"prog/newer.bbs") + root.Read(u"prog/broken.bbs") +
                root.Read(u"prog/broken.bbs.bak") + root.Read(u"prog/新 板#.bbs"),
            Def(4, "new=1\r\n") + Def(3, "old=1\r\n") + "[basic]\r\n" + fresh + Def(1) + Def(9) +
                Def(2) + Def(1) + Def(1));
  EXPECT_FALSE(root.Exists(u"evil.bbs"));
  EXPECT_EQ(ui.Texts().back(), "処理が完了しました");
  EXPECT_EQ(board_refreshes + output_refreshes, 2);
}

TEST_F(LoopbackUpdateTest, UpToDateShowsTheMessageAndStillRefreshes) {
  Setup({{u"a.bbs", Def(2)}, {u"b.out", Def(1)}}, "a.bbs,A,2\r\nb.out,B,7\r\n");
  CheckForUpdates(ctx, true, false);  // boards only: the newer output type is not offered
  EXPECT_EQ(ui.Texts(), Texts{"更新対象のファイルは有りません\r\n全て最新バージョンです"});
  EXPECT_EQ(std::make_pair(board_refreshes, output_refreshes), std::make_pair(1, 0));
}

TEST_F(LoopbackUpdateTest, DownloadsThatDoNotLoadAsTheListedVersionChangeNothing) {
  // What a site can answer for a.bbs, listed as version 4.
  const std::string good = Def(4);
  const std::pair<const char*, std::pair<std::string, int>> cases[] = {
      {"error page with 200",
       {"<html><head><title>503 Service Temporarily Unavailable</title></head><body>"
        "<h1>Service Temporarily Unavailable</h1></body></html>\r\n",
        200}},
      // As it arrives when the connection closes early and no length was announced.
      {"body cut short", {good.substr(0, good.find("item_cnt")), 200}},
      {"version mismatch", {Def(3), 200}},
      {"version missing", {"[basic]\r\nitem_cnt=1\r\n[item1]\r\nname=x\r\n", 200}},
      {"status 404", {good, 404}}};
  for (const auto& [what, answer] : cases) {
    SCOPED_TRACE(what);
    Setup({{u"a.bbs", Def(1)}, {u"a.bbs.bak", Def(0)}}, "a.bbs,A,4\r\n");
    server.ServeFile("/update/a.bbs", answer.first, answer.second);
    ui.messages.clear();
    EXPECT_FALSE(CheckForUpdates(ctx, true, false));
    EXPECT_EQ(root.Read(u"prog/a.bbs") + root.Read(u"prog/a.bbs.bak"), Def(1) + Def(0));
    EXPECT_EQ(FilesIn(root), (std::set<std::string>{"a.bbs", "a.bbs.bak"}));
    EXPECT_EQ(ui.Texts(), Texts{kReceiveError});
  }
}

TEST_F(LoopbackUpdateTest, ACrashAtAnyStepLeavesWorkingFilesAndTheNextUpdateCleansUp) {
  // Each round stops the download before its k-th change to the disk, as a kill would, then
  // runs the update again. Leftovers of a kill inside a write are planted; files that are not
  // the update's own stay.
  for (int k = 0;; ++k) {
    SCOPED_TRACE(k);
    testing::ScratchFolder dir;
    ctx.program_directory = dir.Path(u"prog/");
    Setup({}, "a.bbs,A,2\r\nn.out,N,1\r\n", {{"a.bbs", Def(2)}, {"n.out", Def(1)}});
    for (const auto& [name, bytes] : {std::pair(u"a.bbs", Def(1)), std::pair(u"a.bbs.bak", Def(0)),
                                      std::pair(u"notes.download", std::string("x")),
                                      std::pair(u"pellu.ini.tmpAbC123", std::string("x"))})
      dir.Write(Text(u"prog/") + name, bytes);
    int steps = 0;
    ctx.before_file_step = [&] {
      if (steps++ == k) throw std::runtime_error("killed");
    };
    bool killed = false;
    try {
      CheckForUpdates(ctx, true, true);
    } catch (const std::runtime_error&) {
      killed = true;
    }
    const std::string a = dir.Read(u"prog/a.bbs"), bak = dir.Read(u"prog/a.bbs.bak");
    EXPECT_TRUE((a == Def(1) || a == Def(2)) && (bak == Def(0) || bak == Def(1)));
    EXPECT_TRUE(!dir.Exists(u"prog/n.out") || dir.Read(u"prog/n.out") == Def(1));
    for (const char16_t* planted : {u"prog/a.bbs.download.tmpQw3rty", u"prog/a.bbs.bak.tmpZx9abc"})
      dir.Write(planted, "half");
    ctx.before_file_step = nullptr;
    EXPECT_TRUE(CheckForUpdates(ctx, true, true));
    EXPECT_EQ(FilesIn(dir), (std::set<std::string>{"a.bbs", "a.bbs.bak", "n.out", "notes.download",
                                                   "pellu.ini.tmpAbC123"}));
    EXPECT_EQ(dir.Read(u"prog/a.bbs") + dir.Read(u"prog/a.bbs.bak") + dir.Read(u"prog/n.out"),
              Def(2) + Def(1) + Def(1));
    if (!killed) break;
  }
}

TEST_F(LoopbackUpdateTest, TransferCutInTheMiddleLeavesTheOldFile) {
  // This server announces 4096 bytes of a.bbs and breaks off after 2048.
  httplib::Server cut;
  cut.Get("/u/version", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("a.bbs,A,2\r\n", "text/plain");
  });
  cut.Get("/u/a.bbs", [](const httplib::Request&, httplib::Response& res) {
    res.set_content_provider(4096, "text/plain", [](size_t offset, size_t, httplib::DataSink& s) {
      return offset == 0 && s.write(std::string(2048, 'x').data(), 2048);
    });
  });
  ctx.base_url =
      u"http://127.0.0.1:" + FromUtf8(std::to_string(cut.bind_to_any_port("127.0.0.1"))) + u"/u/";
  std::thread thread([&] { cut.listen_after_bind(); });
  for (int i = 0; i < 500 && !cut.is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  Setup({{u"a.bbs", Def(1)}}, "");
  EXPECT_FALSE(CheckForUpdates(ctx, true, false));  // Abort, the unscripted answer
  cut.stop();
  thread.join();
  EXPECT_EQ(root.Read(u"prog/a.bbs"), Def(1));
  EXPECT_FALSE(root.Exists(u"prog/a.bbs.bak"));
  EXPECT_EQ(ui.messages.at(0).caption, u"エラー");
  EXPECT_EQ(ui.messages.size(), 1u);  // no completion
}

}  // namespace
}  // namespace pellucor
