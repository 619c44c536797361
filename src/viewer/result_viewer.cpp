#include "viewer/result_viewer.h"

#include "common/filename.h"
#include "common/files.h"
#include "common/format.h"
#include "common/search.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace pellucor {
namespace {

void ShowError(Ui& ui, const Text& text) {
  ui.MessageBox(text, kAppCaption, Icon::Critical, Buttons::Ok);
}

// The page, or the message that names it.
Result<> WritePage(const Text& path, const Text& html) {
  Result<> written = WriteFileAtomic(path, EncodeCp932(html));
  if (written) return written;
  return Error{written.error().code, u"ファイル（" + path + u"）に書き込めませんでした"};
}

// Folder (with its separator) and base name of a complete output path; nothing after the
// message for a path that is not one.
struct OutputName {
  Text path, folder, base;
};

std::optional<OutputName> CompleteOutputName(Ui& ui, const ViewerRequest& request) {
  Text out = request.output_path;
  const int64_t p = FindLast(out, Text(1, kSep));
  if (p == 0) {
    ShowError(ui, u"出力ファイル名をフルパスで指定してください");
    return std::nullopt;
  }
  if (out.back() == kSep) {
    ShowError(ui, u"正しい出力ファイル名を指定してください");
    return std::nullopt;
  }
  if (FindFrom(out, u".", p) == 0) out += u"." + request.output_mark;
  const Text file_name = out.substr(static_cast<size_t>(p));
  const size_t dot = file_name.rfind(u'.');
  return OutputName{out, out.substr(0, static_cast<size_t>(p)),
                    dot == Text::npos ? file_name : file_name.substr(0, dot)};
}

}  // namespace

int AskIndexLayout(Ui& ui, const ListPage& list) {
  if (list.first_index_file.empty()) return kIndexNone;
  ui.Beep();
  Answer a = ui.MessageBox(Text(u"題名のインデックスファイルを左に表示しますか？") + kCrLf +
                               u"「はい」の時左に「いいえ」の時は下に表示します",
                           kAppCaption, Icon::Question, Buttons::YesNo);
  return a == Answer::Yes ? kIndexLeft : kIndexBottom;
}

Recovery AskAfterSearchFailure(Ui& ui, const Error& error) {
  return AskAbortRetryIgnore(ui, u"SearchFile:" + error.text, kAppCaption + u" エラー");
}

void WaitForFile(Ui& ui, Clock& clock, const Text& path) {
  DateTime start = clock.Now();
  do {
    ui.Yield();
    if (FileExists(path)) break;
    clock.Sleep(1000);
  } while (SecondsBetween(start, clock.Now()) <= 10);
  start = clock.Now();
  do {
    ui.Yield();
    if (FileSize(path).value_or(0) > 0) break;
    clock.Sleep(1000);
  } while (SecondsBetween(start, clock.Now()) <= 10);
}

PreparedResult PrepareResult(ViewerContext& ctx, const ViewerRequest& request) {
  Ui& ui = ctx.ui;
  PreparedResult result{request.output_path, std::nullopt};
  if (!request.pages.devide && !request.title_index) {
    result.target = request.output_path;
    return result;
  }
  const std::optional<OutputName> name = CompleteOutputName(ui, request);
  if (!name) return result;
  result.output_path = name->path;
  ui.Yield();

  FileList files;
  const int64_t found = SearchFile([&ui](const Error& e) { return AskAfterSearchFailure(ui, e); },
                                   name->folder, u"", false, files, 0, name->base + u"*");
  if (found <= 0) {
    result.target = name->path;
    return result;
  }
  SortFileList(files, 0, static_cast<int64_t>(files.size()) - 1);

  const PageSettings& settings = request.pages;
  const ListPage list = BuildListPage(name->base, files, settings);
  const int layout = AskIndexLayout(ui, list);
  const Text prefix = name->folder + name->base;
  Result<> written;
  if (settings.devide) written = WritePage(prefix + u"_list.html", list.html);
  const Text target = prefix + u"_index.html";
  if (written)
    written = WritePage(target, BuildFramesetPage(name->base, list, settings.devide, layout));
  if (!written) {
    ShowError(ui, written.error().text);
    return result;
  }
  WaitForFile(ui, ctx.clock, target);
  result.target = target;
  return result;
}

bool CheckTargetExists(Ui& ui, const Text& target) {
  if (FileExists(target)) return true;
  ShowError(ui, u"ファイルが存在しません");
  return false;
}

bool OpenResultTarget(Ui& ui, Shell& shell, const Text& target) {
  if (!CheckTargetExists(ui, target)) return false;
  const Text upper = UpperCase(target);
  const TextView last4 = upper.size() >= 4 ? TextView(upper).substr(upper.size() - 4) : TextView();
  for (const char16_t* ext : {u".DAT", u".TXT", u".CSV", u".TAB", u".ASC"}) {
    if (last4 == ext) return shell.Edit(GetShortPath(target));
  }
  if (last4 == u".HTM" || upper.ends_with(u".HTML")) return shell.Open(target);
  ShowError(ui, u"正しいファイルが指定されていません");
  return false;
}

Text ShowResult(ViewerContext& ctx, const ViewerRequest& request) {
  PreparedResult r = PrepareResult(ctx, request);
  if (r.target) OpenResultTarget(ctx.ui, ctx.shell, *r.target);
  return r.output_path;
}

}  // namespace pellucor
