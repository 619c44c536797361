#include "update/update.h"

#include <cstdlib>
#include <optional>

#include "common/files.h"
#include "common/numeric.h"
#include "engine/retrying_fetch.h"
#include "platform/clock.h"
#include "platform/http.h"
#include "update/install.h"

#ifndef PELLUCOR_UPDATE_BASE_URL
#define PELLUCOR_UPDATE_BASE_URL "https://update.pellucor.example/defs/"
#endif

namespace pellucor {
namespace {

const Text kFetching = u"バージョン情報取得中";

void SetStatus(UpdateContext& ctx, const Text& text) {
  if (ctx.status) ctx.status(text);
}

// Shows `message` and clears the status line: the flow ends here.
bool Stop(UpdateContext& ctx, UpdateMessage message) {
  ShowUpdateMessage(ctx.ui, message);
  SetStatus(ctx, u"");
  return false;
}

FetchHooks HooksFor(UpdateContext& ctx) {
  FetchHooks hooks;
  hooks.cancelled = [&ctx] { return ctx.cancelled && ctx.cancelled(); };
  hooks.yield = [&ctx] { ctx.ui.Yield(); };
  hooks.status = [&ctx](const Text& text) { SetStatus(ctx, text); };
  hooks.ask = [&ctx](const Text& error) { return AskAfterFetchFailure(ctx.ui, error); };
  return hooks;
}

void SetRunState(UpdateContext& ctx, bool running) {
  if (ctx.set_run_state) {
    ctx.set_run_state(running);
  } else {
    ctx.ui.SetBusy(running);
  }
}

// The time-out and retry count as typed, in the order the user is told about them.
std::optional<UpdateMessage> CheckNetworkValues(const UpdateContext& ctx) {
  if (ctx.timeout.empty()) return UpdateMessage::TimeoutMissing;
  const double timeout = NumericValue(ctx.timeout);
  if (timeout <= 0 || timeout > 300) return UpdateMessage::TimeoutRange;
  const double retry = NumericValue(ctx.retry);
  if (retry < 0 || retry > 1000) return UpdateMessage::RetryRange;
  return std::nullopt;
}

}  // namespace

Text UpdateBaseUrl() {
  const char* env = std::getenv("PELLUCOR_UPDATE_URL");
  Text base = FromUtf8(env && *env ? env : PELLUCOR_UPDATE_BASE_URL);
  if (base.empty() || base.back() != u'/') base += u'/';
  return base;
}

bool FetchVersionList(UpdateContext& ctx) {
  if (std::optional<UpdateMessage> wrong = CheckNetworkValues(ctx)) {
    ShowUpdateMessage(ctx.ui, *wrong);
    return false;
  }
  if (ctx.apply_network_settings && !ctx.apply_network_settings()) return false;
  SetStatus(ctx, kFetching);

  FetchPolicy policy;
  policy.status_prefix = kFetching;
  policy.timeout_retries = NumericValue(ctx.retry);
  policy.server_errors_fail = false;
  RetryingFetch fetch(ctx.http, ctx.clock, std::move(policy), HooksFor(ctx),
                      ctx.base_url + u"version");
  switch (fetch.Fetch()) {
    case RetryingFetch::Outcome::Page:
      break;
    case RetryingFetch::Outcome::Cancelled:
      return Stop(ctx, UpdateMessage::Cancelled);
    case RetryingFetch::Outcome::Aborted:
      SetStatus(ctx, u"");
      return false;
    case RetryingFetch::Outcome::GaveUp:
      return Stop(ctx, UpdateMessage::ReceiveError);
  }
  switch (ParseVersionList(DecodeCp932(fetch.body()), ctx.list)) {
    case VersionListResult::Ok:
      return true;
    case VersionListResult::NoData:
      return Stop(ctx, UpdateMessage::NoData);
    case VersionListResult::Invalid:
      return Stop(ctx, UpdateMessage::InvalidData);
  }
  return false;
}

namespace {

enum class Step { Done, Skip, Stop };

// Runs one file step with the Abort/Retry/Ignore question on failure.
template <class Op>
Step Attempt(UpdateContext& ctx, const Text& file, Op op) {
  if (ctx.before_file_step) ctx.before_file_step();
  for (;;) {
    const Result<> r = op();
    if (r) return Step::Done;
    switch (AskAfterFileFailure(ctx.ui, r.error(), file)) {
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

enum class Download { Installed, Skipped, Aborted, Ended };

// Fetches one file, once: no retries, and an error status is a failed receive. The bytes are
// in `body` on Installed; Ended after the message that ends the download.
Download FetchDefinition(UpdateContext& ctx, const DownloadEntry& e, std::string& body) {
  FetchPolicy policy;
  policy.receive_retries = 0;
  policy.server_errors_fail = false;
  policy.cancel_after_fetch = false;
  RetryingFetch fetch(ctx.http, ctx.clock, std::move(policy), HooksFor(ctx),
                      ctx.base_url + EncodeAddressSegment(e.file));
  switch (fetch.Fetch()) {
    case RetryingFetch::Outcome::Cancelled:
      Stop(ctx, UpdateMessage::Cancelled);
      return Download::Ended;
    case RetryingFetch::Outcome::Aborted:
      SetStatus(ctx, u"");
      return Download::Ended;
    case RetryingFetch::Outcome::GaveUp:  // Ignore, or nothing received
      Stop(ctx, UpdateMessage::ReceiveError);
      return Download::Ended;
    case RetryingFetch::Outcome::Page:
      break;
  }
  if (fetch.http_status() >= 400) {
    Stop(ctx, UpdateMessage::ReceiveError);
    return Download::Ended;
  }
  body = std::move(fetch.body());
  return Download::Installed;
}

// Downloads and installs one entry: the new file is complete on disk, and known to load,
// before the old one is touched.
Download InstallEntry(UpdateContext& ctx, const DownloadEntry& e) {
  std::string body;
  if (Download d = FetchDefinition(ctx, e, body); d != Download::Installed) return d;
  const Text& dir = ctx.program_directory;
  const Text path = dir + e.file;
  const Text backup = path + u".bak";
  const Text fresh_name = e.file + kDownloadSuffix;
  const Text fresh = dir + fresh_name;
  const std::string bytes = EncodeCp932(DecodeCp932(body));
  switch (Attempt(ctx, fresh, [&] { return WriteFileAtomic(fresh, bytes); })) {
    case Step::Stop:
      return Download::Aborted;
    case Step::Skip:
      return Download::Skipped;
    case Step::Done:
      break;
  }
  if (!IsInstallable(e, dir, fresh_name)) {
    DeleteFile(fresh);
    Stop(ctx, UpdateMessage::ReceiveError);
    return Download::Ended;
  }
  if (e.state == kStateUpdate && FileExists(path)) {
    SetStatus(ctx, e.file + u"バックアップファイル作成");
    ctx.clock.Sleep(1000);
    // The backup is a copy: the definition's name never stands empty. A file that does not
    // load itself never takes the place of an existing backup.
    if ((!FileExists(backup) || LoadsAsDefinition(e.kind, dir, e.file)) &&
        Attempt(ctx, backup, [&] { return CopyToBackup(path, backup); }) == Step::Stop) {
      DeleteFile(fresh);
      return Download::Aborted;
    }
  }
  SetStatus(ctx, e.file + u"更新");
  const Step s = Attempt(ctx, path, [&] { return RenameFile(fresh, path); });
  if (s != Step::Done) {
    DeleteFile(fresh);
    return s == Step::Stop ? Download::Aborted : Download::Skipped;
  }
  ctx.clock.Sleep(1000);
  return Download::Installed;
}

}  // namespace

bool DownloadSelected(UpdateContext& ctx) {
  Ui& ui = ctx.ui;
  if (ctx.apply_network_settings && !ctx.apply_network_settings()) return false;
  ui.Yield();
  ctx.http.SetTimeout(static_cast<int>(WholeValue(ctx.timeout)));
  ui.Yield();
  SetStatus(ctx, u"");
  RemoveUpdateLeftovers(ctx.program_directory);

  bool any = false;
  bool aborted = false;
  bool skipped = false;
  for (const DownloadEntry& e : ctx.list) {
    if (!e.selected) continue;
    any = true;
    // Never written: a name that could reach outside the program folder.
    if (!IsPlainFileName(e.file)) {
      skipped = true;
      continue;
    }
    SetStatus(ctx, e.file + u"ダウンロード");
    const Download d = InstallEntry(ctx, e);
    if (d == Download::Ended) return false;
    if (d == Download::Skipped) skipped = true;
    if (d == Download::Aborted) {
      aborted = true;
      break;
    }
  }
  ui.Yield();
  if (any && !aborted) ShowUpdateMessage(ui, UpdateMessage::Finished);
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
