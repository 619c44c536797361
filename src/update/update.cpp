#include "update/update.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/main_form.h"
#include "common/deffile.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/definitions.h"
#include "engine/retrying_fetch.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "platform/ui.h"

#ifndef PELLUCOR_UPDATE_BASE_URL
#define PELLUCOR_UPDATE_BASE_URL "https://update.pellucor.example/defs/"
#endif

namespace pellucor {
namespace {

const Text kFetching = u"バージョン情報取得中";

Text ReceiveErrorText() {
  return Text(u"データ受信エラーが発生したため処理を中断します") + kCrLf +
         u"ネットワークに接続されていない、もしくは切断された可能性があります" + kCrLf +
         u"プロキシを使用している場合はプロキシの設定を見なおしてください" + kCrLf +
         u"何度も同じエラーが出る場合は、アプリケーションを再起動してみてください";
}

void ShowError(Ui& ui, const Text& text) {
  ui.MessageBox(text, kAppCaption, Icon::Critical, Buttons::Ok);
}

FetchHooks HooksFor(UpdateContext& ctx) {
  FetchHooks hooks;
  hooks.cancelled = [&ctx] { return ctx.form.cancel_requested; };
  hooks.yield = [&ctx] { ctx.ui.Yield(); };
  hooks.status = [&ctx](const Text& text) { ctx.form.Label_status().SetValue(text); };
  hooks.ask = [&ctx](const Text& error) { return AskAbortRetryIgnore(ctx.ui, error); };
  return hooks;
}

void SetStatus(UpdateContext& ctx, const Text& text) {
  ctx.form.Label_status().SetValue(text);
}

void SetRunState(UpdateContext& ctx, bool running) {
  if (ctx.set_run_state) {
    ctx.set_run_state(running);
  } else {
    ctx.form.cancel_requested = !running;
    ctx.ui.SetBusy(running);
  }
}

}  // namespace

Text UpdateBaseUrl() {
  const char* env = std::getenv("PELLUCOR_UPDATE_URL");
  Text base = FromUtf8(env && *env ? env : PELLUCOR_UPDATE_BASE_URL);
  if (base.empty() || base.back() != u'/') base += u'/';
  return base;
}

bool IsPlainFileName(TextView name) {
  Text t = TrimSpaces(name);
  if (t.empty() || t == u"." || t == u"..") return false;
  for (char16_t c : t) {
    if (c == u'/' || c == u'\\' || c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

VersionListResult ParseVersionList(TextView text, DownloadList& list) {
  list.clear();
  // One pass over the text: every search starts where the previous field ended.
  const Text all = Text(text) + kCrLf;
  DownloadList read;
  size_t pos = 0;
  auto field_end = [&](TextView separator) {
    size_t at = all.find(separator, pos);
    return at == Text::npos || at == pos ? Text::npos : at;
  };
  for (;;) {
    size_t end = field_end(u",");
    if (end == Text::npos) {
      if (read.empty()) return VersionListResult::NoData;
      list = std::move(read);
      return VersionListResult::Ok;
    }
    DownloadEntry e;
    e.file = TrimSpaces(TextView(all).substr(pos, end - pos));
    pos = end + 1;
    if ((end = field_end(u",")) == Text::npos) return VersionListResult::Invalid;
    e.comment = all.substr(pos, end - pos);
    pos = end + 1;
    if ((end = field_end(kCrLf)) == Text::npos) return VersionListResult::Invalid;
    e.site_version = WholeValue(TextView(all).substr(pos, end - pos));
    pos = end + 2;
    TextView tail = e.file.size() >= 4 ? TextView(e.file).substr(e.file.size() - 4) : TextView();
    e.kind = tail == u".bbs" ? kKindBoard : tail == u".out" ? kKindOutput : kKindOther;
    e.state = kStateNone;
    e.selected = false;
    read.push_back(std::move(e));
  }
}

void CompareVersions(DownloadList& list, int kind, const Text& program_directory) {
  for (DownloadEntry& e : list) {
    if (e.kind != kind || !IsPlainFileName(e.file)) continue;
    const Text path = program_directory + e.file;
    if (FileExists(path)) {
      int64_t local = WholeValue(ReadDefinitionValue(u"basic", u"version", u"0", path));
      if (e.site_version > local) {
        e.state = kStateUpdate;
        e.local_date = FileModified(path).value_or(DateTime{});
      }
    } else {
      e.state = kStateNew;
    }
  }
}

std::vector<DownloadRow> BuildDownloadRows(const DownloadList& list) {
  std::vector<DownloadRow> rows;
  for (size_t i = 0; i < list.size(); ++i) {
    const DownloadEntry& e = list[i];
    if (e.state == kStateNew) {
      rows.push_back({u"新規　" + e.file + u"(" + e.comment + u")", i});
    } else if (e.state == kStateUpdate) {
      rows.push_back(
          {u"更新　" + e.file + u"(" + e.comment + u")" + u" 前回更新日:" + FormatYmd(e.local_date),
           i});
    }
  }
  return rows;
}

void ShowNothingToUpdate(Ui& ui) {
  ui.MessageBox(Text(u"更新対象のファイルは有りません") + kCrLf + u"全て最新バージョンです",
                kAppCaption, Icon::Information, Buttons::Ok);
}

bool ConfirmDownloadSelection(Ui& ui, DownloadList& list, const std::vector<DownloadRow>& rows,
                              const std::vector<bool>& ticked) {
  int count = 0;
  for (size_t r = 0; r < rows.size() && r < ticked.size(); ++r) {
    if (!ticked[r] || rows[r].slot >= list.size()) continue;
    list[rows[r].slot].selected = true;
    ++count;
  }
  if (count > 0) return true;
  Answer a = ui.MessageBox(u"何も選択されていません。ダウンロード処理をキャンセルしますか？",
                           kAppCaption, Icon::Question, Buttons::YesNo);
  if (a == Answer::Yes) return true;
  ui.MessageBox(Text(u"一覧より、ダウンロードしたい設定ファイルを選択（クリック）して") + kCrLf +
                    u"左側のチェックボックスにチェックがついたのを確認してから" + kCrLf +
                    u"ダウンロードボタンを押してください。",
                kAppCaption, Icon::Information, Buttons::Ok);
  return false;
}

bool FetchVersionList(UpdateContext& ctx) {
  MainForm& form = ctx.form;
  Ui& ui = ctx.ui;
  const Text timeout = form.Text_Timeout().Value();
  if (timeout.empty()) {
    ShowError(ui, u"タイムアウト値を設定してください");
    return false;
  }
  const double timeout_value = NumericValue(timeout);
  if (timeout_value <= 0 || timeout_value > 300) {
    ShowError(ui, u"正しいタイムアウト値（1\uFF5E300）を設定してください");
    return false;
  }
  const double retry_limit = NumericValue(form.Text_Retry().Value());
  if (retry_limit < 0 || retry_limit > 1000) {
    ShowError(ui, u"正しいリトライ回数（0\uFF5E1000）を設定してください");
    return false;
  }
  if (ctx.apply_network_settings && !ctx.apply_network_settings()) return false;
  SetStatus(ctx, kFetching);

  FetchPolicy policy;
  policy.status_prefix = kFetching;
  policy.timeout_retries = retry_limit;
  policy.server_errors_fail = false;
  RetryingFetch fetch(ctx.http, ctx.clock, std::move(policy), HooksFor(ctx),
                      ctx.base_url + u"version");
  switch (fetch.Fetch()) {
    case RetryingFetch::Outcome::Page:
      break;
    case RetryingFetch::Outcome::Cancelled:
      ShowError(ui, u"処理を中断します。");
      SetStatus(ctx, u"");
      return false;
    case RetryingFetch::Outcome::Aborted:
      SetStatus(ctx, u"");
      return false;
    case RetryingFetch::Outcome::GaveUp:
      ShowError(ui, ReceiveErrorText());
      SetStatus(ctx, u"");
      return false;
  }
  const std::string body = std::move(fetch.body());

  switch (ParseVersionList(DecodeCp932(body), ctx.list)) {
    case VersionListResult::Ok:
      return true;
    case VersionListResult::NoData:
      ShowError(ui, Text(u"処理対象データ無し") + kCrLf +
                        u"サーバ側のバージョン確認ファイルが壊れている可能性があります");
      SetStatus(ctx, u"");
      return false;
    case VersionListResult::Invalid:
      ShowError(ui,
                Text(u"取得データが不正です") + kCrLf +
                    u"再度実行しても同じエラーが出る場合は、サポート掲示板で問い合わせてください");
      SetStatus(ctx, u"");
      return false;
  }
  return false;
}

namespace {

enum class Step { Done, Skip, Stop };

// Runs one file operation with the Abort/Retry/Ignore dialog on failure: the system's error
// text and the file concerned.
Step Attempt(Ui& ui, const Text& file, const std::function<bool(std::string*)>& op) {
  for (;;) {
    std::string error;
    if (op(&error)) return Step::Done;
    switch (AskAbortRetryIgnore(ui, FromUtf8(error) + kCrLf + file)) {
      case Recovery::Abort:
        return Step::Stop;
      case Recovery::Skip:
        return Step::Skip;
      case Recovery::Retry:
        break;
    }
  }
}

// A file name as one path segment of an address: UTF-8, every byte but the unreserved ones
// percent-encoded.
Text EncodeAddressSegment(TextView name) {
  static const char kHex[] = "0123456789ABCDEF";
  Text out;
  for (unsigned char b : ToUtf8(name)) {
    if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out += static_cast<char16_t>(b);
    } else {
      out += u'%';
      out += static_cast<char16_t>(kHex[b >> 4]);
      out += static_cast<char16_t>(kHex[b & 15]);
    }
  }
  return out;
}

// Takes every message of the definition loaders without showing it.
class QuietUi : public Ui {
 public:
  Answer MessageBox(const Text&, const Text&, Icon, Buttons) override { return Answer::Ok; }
  void Beep() override {}
  void Yield() override {}
  std::optional<Text> InputBox(const Text&, const Text&, const Text&) override {
    return std::nullopt;
  }
  void SetBusy(bool) override {}
};

// Whether the file at `folder` + `name` loads as a definition of `kind` with the loader and
// checks of a run.
bool LoadsAsDefinition(int kind, const Text& folder, const Text& name) {
  QuietUi quiet;
  if (kind == kKindBoard)
    return LoadBoardDefinition(BoardEntry{name, {}, {}, {}, {}, {}}, folder, quiet).has_value();
  return LoadOutputType(OutputEntry{name, {}, {}}, folder, quiet).has_value();
}

// A downloaded file is installed only when it loads and carries the version that the list
// advertised: an error page or a cut-off transfer never takes a working file's place.
bool IsInstallable(const DownloadEntry& e, const Text& folder, const Text& name) {
  if (!LoadsAsDefinition(e.kind, folder, name)) return false;
  const Text absent = u"\x01";
  const Text version = ReadDefinitionValue(u"basic", u"version", absent, folder + name);
  return version != absent && WholeValue(version) == e.site_version;
}

constexpr char16_t kDownloadSuffix[] = u".download";

// What an update interrupted by a crash can leave in the program folder: the downloaded file
// not yet moved into place (NAME.download) and the temporary files of the atomic writes
// (NAME.download.tmpXXXXXX, NAME.bak.tmpXXXXXX), for NAME a .bbs or .out file.
bool IsUpdateLeftover(TextView name) {
  auto ends = [](TextView t, TextView suffix) {
    return t.size() >= suffix.size() && t.substr(t.size() - suffix.size()) == suffix;
  };
  auto definition = [&](TextView t) { return ends(t, u".bbs") || ends(t, u".out"); };
  size_t tmp = name.rfind(u".tmp");
  if (tmp != TextView::npos && name.size() - tmp == 10) {
    TextView stem = name.substr(0, tmp);
    if (ends(stem, kDownloadSuffix)) return definition(stem.substr(0, stem.size() - 9));
    if (ends(stem, u".bak")) return definition(stem.substr(0, stem.size() - 4));
    return false;
  }
  return ends(name, kDownloadSuffix) && definition(name.substr(0, name.size() - 9));
}

void RemoveUpdateLeftovers(const Text& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(NativePath(folder), ec), end;
  std::vector<Text> names;
  for (; !ec && it != end; it.increment(ec)) {
    Text name = FromUtf8(it->path().filename().string());
    if (IsUpdateLeftover(name)) names.push_back(std::move(name));
  }
  for (const Text& name : names)
    if (FileExists(folder + name)) DeleteFile(folder + name);
}

}  // namespace

bool DownloadSelected(UpdateContext& ctx) {
  MainForm& form = ctx.form;
  Ui& ui = ctx.ui;
  if (ctx.apply_network_settings && !ctx.apply_network_settings()) return false;
  ui.Yield();
  ctx.http.SetTimeout(static_cast<int>(WholeValue(form.Text_Timeout().Value())));
  ui.Yield();
  SetStatus(ctx, u"");
  RemoveUpdateLeftovers(ctx.program_directory);
  auto step = [&ctx] {
    if (ctx.before_file_step) ctx.before_file_step();
  };

  bool any = false;
  bool aborted = false;
  bool skipped = false;
  for (DownloadEntry& e : ctx.list) {
    if (!e.selected) continue;
    any = true;
    // Never written: a name that could reach outside the program folder.
    if (!IsPlainFileName(e.file)) {
      skipped = true;
      continue;
    }

    SetStatus(ctx, e.file + u"ダウンロード");
    // A definition file is fetched once: no retries, and its status is judged below.
    FetchPolicy policy;
    policy.receive_retries = 0;
    policy.server_errors_fail = false;
    policy.cancel_after_fetch = false;
    RetryingFetch fetch(ctx.http, ctx.clock, std::move(policy), HooksFor(ctx),
                        ctx.base_url + EncodeAddressSegment(e.file));
    const RetryingFetch::Outcome got = fetch.Fetch();
    if (got == RetryingFetch::Outcome::Cancelled) {
      ShowError(ui, u"処理を中断します。");
      SetStatus(ctx, u"");
      return false;
    }
    if (got == RetryingFetch::Outcome::Aborted) {
      SetStatus(ctx, u"");
      return false;
    }
    // GaveUp: an empty body (Ignore, or nothing received), the receive error below.
    const std::string body = std::move(fetch.body());
    const long http_status = fetch.http_status();
    const Text& dir = ctx.program_directory;
    const Text path = dir + e.file;
    const Text backup = path + u".bak";
    // The new file is complete on disk, and known to load, before the old one is touched.
    const Text fresh_name = e.file + kDownloadSuffix;
    const Text fresh = dir + fresh_name;
    bool received = got == RetryingFetch::Outcome::Page && http_status < 400;
    if (received) {
      const std::string bytes = EncodeCp932(DecodeCp932(body));
      step();
      Step s =
          Attempt(ui, fresh, [&](std::string* err) { return WriteFileAtomic(fresh, bytes, err); });
      if (s == Step::Stop) {
        aborted = true;
        break;
      }
      if (s == Step::Skip) {
        skipped = true;
        continue;
      }
      received = IsInstallable(e, dir, fresh_name);
      if (!received) DeleteFile(fresh);
    }
    if (!received) {
      ShowError(ui, ReceiveErrorText());
      SetStatus(ctx, u"");
      return false;
    }

    if (e.state == kStateUpdate && FileExists(path)) {
      SetStatus(ctx, e.file + u"バックアップファイル作成");
      ctx.clock.Sleep(1000);
      // The backup is a copy: the definition's name never stands empty. A file that does not
      // load itself never takes the place of an existing backup.
      if (!FileExists(backup) || LoadsAsDefinition(e.kind, dir, e.file)) {
        step();
        Step s = Attempt(ui, backup, [&](std::string* err) {
          std::optional<std::string> old = ReadFileBytes(path);
          if (!old) {
            if (err) *err = "cannot read " + ToUtf8(path);
            return false;
          }
          return WriteFileAtomic(backup, *old, err);
        });
        if (s == Step::Stop) {
          DeleteFile(fresh);
          aborted = true;
          break;
        }
      }
    }
    SetStatus(ctx, e.file + u"更新");
    step();
    Step s = Attempt(ui, path, [&](std::string* err) { return RenameFile(fresh, path, err); });
    if (s != Step::Done) {
      DeleteFile(fresh);
      if (s == Step::Stop) {
        aborted = true;
        break;
      }
      skipped = true;
      continue;
    }
    ctx.clock.Sleep(1000);
  }
  ui.Yield();
  if (any && !aborted) {
    ui.MessageBox(u"処理が完了しました", kAppCaption, Icon::Information, Buttons::Ok);
  }
  SetStatus(ctx, u"");
  return !aborted && !skipped;
}

bool CheckForUpdates(UpdateContext& ctx, bool boards, bool outputs) {
  SetRunState(ctx, true);
  bool ok = FetchVersionList(ctx);
  if (ok) {
    if (boards) CompareVersions(ctx.list, kKindBoard, ctx.program_directory);
    if (outputs) CompareVersions(ctx.list, kKindOutput, ctx.program_directory);
    ctx.ui.SetBusy(false);
    if (ctx.download_window) ctx.download_window(ctx.list);
    ctx.ui.SetBusy(true);
    ok = DownloadSelected(ctx);
    if (boards && ctx.refresh_board_catalog) ctx.refresh_board_catalog();
    if (outputs && ctx.refresh_output_catalog) ctx.refresh_output_catalog();
  }
  SetRunState(ctx, false);
  return ok;
}

}  // namespace pellucor
