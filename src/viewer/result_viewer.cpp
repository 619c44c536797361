#include "viewer/result_viewer.h"

#include <filesystem>
#include <system_error>

#include "app/main_form.h"
#include "common/filename.h"
#include "common/files.h"
#include "common/format.h"
#include "common/search.h"
#include "engine/definitions.h"
#include "engine/template.h"
#include "platform/clock.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace pellucor {
namespace fs = std::filesystem;

namespace {

// The fixed pieces of the two pages.
constexpr char16_t kP1[] = u"<HTML><HEAD><TITLE>";
constexpr char16_t kP2[] =
    u" INDEX</TITLE><META HTTP-EQUIV='Content-Type' CONTENT='text/html; charset=x-sjis'>"
    u"</HEAD><BODY><SMALL>出力ファイル一覧</SMALL>";
constexpr char16_t kP3[] = u"<BR><A HREF=\"";
constexpr char16_t kP4[] = u"\" TARGET='message'>";
constexpr char16_t kP5[] = u"</A>";
constexpr char16_t kP6[] = u" (<A HREF=\"";
constexpr char16_t kP7[] = u"\" TARGET='index'>idx</A>)";
constexpr char16_t kP8[] = u"<BR>index(<A HREF=\"";
constexpr char16_t kP9[] = u"\" TARGET='index'>";
constexpr char16_t kP10[] = u"</A>)";
constexpr char16_t kP11[] = u"<BR><HR><SMALL>分割条件：";
constexpr char16_t kP12[] = u"</SMALL></BODY></HTML>";
constexpr char16_t kP13[] = u"</BODY></HTML>";
constexpr char16_t kP14[] =
    u"</TITLE><META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=x-sjis\"></HEAD>";
constexpr char16_t kF1[] = u"<FRAMESET COLS=\"120,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF2[] = u"<FRAMESET COLS=\"200,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF3[] = u"<FRAMESET ROWS=\"100,*\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF4[] = u"<FRAMESET ROWS=\"*,150\" FRAMEBORDER=\"1\" FRAMESPACING=\"0\">";
constexpr char16_t kF5[] = u"</FRAMESET>";
constexpr char16_t kG1[] = u"<FRAME NAME=\"list\" SRC=\"";
constexpr char16_t kG2[] = u"<FRAME NAME=\"message\" SRC=\"";
constexpr char16_t kG3[] = u"<FRAME NAME=\"index\" SRC=\"";
constexpr char16_t kG4[] = u"\" SCROLLING=\"auto\" MARGINHEIGHT=\"5\" MARGINWIDTH=\"5\">";
constexpr char16_t kN1[] =
    u"<NOFRAMES><P>このページはフレームに対応したブラウザでのみアクセスできます。</P>"
    u"</NOFRAMES></HTML>";

bool StartsWith(TextView s, TextView p) {
  return s.size() >= p.size() && s.substr(0, p.size()) == p;
}
bool EndsWith(TextView s, TextView p) {
  return s.size() >= p.size() && s.substr(s.size() - p.size()) == p;
}

Text LowerCase(TextView s) {
  Text r(s);
  for (char16_t& c : r) {
    if (c >= u'A' && c <= u'Z')
      c = static_cast<char16_t>(c - u'A' + u'a');
    else if (c >= u'Ａ' && c <= u'Ｚ')
      c = static_cast<char16_t>(c - u'Ａ' + u'ａ');
  }
  return r;
}

enum class MatchMode { All, Contains, Prefix, Suffix, Exact };

Answer SearchError(Ui& ui, const std::error_code& ec) {
  ui.Beep();
  return ui.MessageBox(u"SearchFile:" + FromUtf8(ec.message()), kAppCaption + u" エラー",
                       Icon::Critical, Buttons::AbortRetryIgnore);
}

}  // namespace

int64_t SearchFile(Ui& ui, const Text& search_folder, const Text& sub_folder, bool recursive,
                   FileList& results, int64_t count, const Text& pattern) {
  MatchMode mode = MatchMode::Exact;
  Text needle;
  if (pattern.empty() || pattern == u"*") {
    mode = MatchMode::All;
  } else if (pattern.size() >= 2 && pattern.front() == u'*' && pattern.back() == u'*') {
    mode = MatchMode::Contains;
    needle = UpperCase(TextView(pattern).substr(1, pattern.size() - 2));
  } else if (pattern.back() == u'*') {
    mode = MatchMode::Prefix;
    needle = UpperCase(TextView(pattern).substr(0, pattern.size() - 1));
  } else if (pattern.front() == u'*') {
    mode = MatchMode::Suffix;
    needle = UpperCase(TextView(pattern).substr(1));
  } else {
    needle = UpperCase(pattern);  // no wildcard: the one name, ignoring case
  }
  auto matches = [&](const Text& name) {
    Text upper = UpperCase(name);
    switch (mode) {
      case MatchMode::All:
        return true;
      case MatchMode::Contains:
        return upper.find(needle) != Text::npos;
      case MatchMode::Prefix:
        return StartsWith(upper, needle);
      case MatchMode::Suffix:
        return EndsWith(upper, needle);
      case MatchMode::Exact:
        return upper == needle;
    }
    return false;
  };

  const fs::path dir(NativePath(search_folder + sub_folder));
  std::vector<Text> folders;
  FileList found;
  for (;;) {
    folders.clear();
    found.clear();
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
      Text name = FromUtf8(it->path().filename().string());
      if (name == u"." || name == u"..") continue;
      std::error_code sec;
      if (it->is_directory(sec)) {
        folders.push_back(sub_folder + kSep + name);
      } else if (it->is_regular_file(sec) && matches(name)) {
        found.push_back({sub_folder, name});
      }
    }
    if (!ec) break;
    Answer a = SearchError(ui, ec);
    if (a == Answer::Abort) return -1;
    if (a == Answer::Ignore) break;  // keep what was read before the failure
  }
  for (auto& f : found) results.push_back(std::move(f));
  count += static_cast<int64_t>(found.size());

  if (recursive) {
    for (const Text& sub : folders) {
      int64_t r = SearchFile(ui, search_folder, sub, true, results, count, pattern);
      if (r < 0) return -1;
      count = r;
    }
  }
  return count;
}

Text FileSortKey(const FoundFile& f) {
  return LowerCase(f.sub_folder) + u" " + LowerCase(f.name);
}

void SortFileList(FileList& list, int64_t low, int64_t high) {
  // Recursion only into the smaller side keeps the stack shallow on large folders; the order
  // produced is the same as sorting both sides recursively.
  while (low < high) {
    int64_t sum = low + high;
    int64_t mid = sum / 2;
    if (sum % 2 != 0 && mid % 2 != 0) ++mid;  // a half goes to the even neighbour
    std::swap(list[low], list[mid]);
    const Text pivot = FileSortKey(list[low]);
    int64_t last = low;
    for (int64_t i = low + 1; i <= high; ++i) {
      if (FileSortKey(list[i]) < pivot) {
        ++last;
        std::swap(list[last], list[i]);
      }
    }
    std::swap(list[low], list[last]);
    if (last - low < high - last) {
      SortFileList(list, low, last - 1);
      low = last + 1;
    } else {
      SortFileList(list, last + 1, high);
      high = last - 1;
    }
  }
}

PageSettings PageSettingsFromForm(MainForm& form) {
  PageSettings s;
  s.devide = form.Check_devide().Value() != 0;
  s.devide_kind = form.Option_devidekind().Index();
  s.devide_count = form.Text_devidecnt().Value();
  s.devide_date_kind = form.Combo_devidedatekind().Index();
  s.devide_file_size = form.Text_devidefilesize().Value();
  return s;
}

ListPage BuildListPage(const Text& base, const FileList& sorted, const PageSettings& settings) {
  ListPage page;
  Text& h = page.html;
  h = kP1 + base + kP2;
  for (size_t i = 0; i < sorted.size(); ++i) {
    const Text& n = sorted[i].name;
    Text rest = n.size() > base.size() ? n.substr(base.size()) : Text();
    if (size_t dot = rest.rfind(u'.'); dot != Text::npos) rest.resize(dot);
    bool listed = (!settings.devide || StartsWith(rest, u"_")) && !EndsWith(rest, u"_index") &&
                  !EndsWith(rest, u"_list");
    if (!listed) continue;
    if (StartsWith(rest, u"_")) rest.erase(0, 1);
    if (!EndsWith(rest, u"idx")) {
      if (page.first_message_file.empty()) page.first_message_file = n;
      h += kP3 + PercentEncode(n) + kP4 + (rest.empty() ? Text(u"msg") : rest) + kP5;
      ++page.message_links;
    } else {
      if (page.first_index_file.empty()) page.first_index_file = n;
      if (i > 0 && sorted[i - 1].name == ReplaceAll(n, u"_idx", u"")) {
        h += kP6 + PercentEncode(n) + kP7;
      } else {
        // "idx" alone (base_idx.html without its message file) has no label of its own;
        // "aidx" leaves an empty one.
        Text label = rest.size() >= 4 ? rest.substr(0, rest.size() - 4) : Text(u"idx");
        h += kP8 + PercentEncode(n) + kP9 + label + kP10;
      }
      ++page.index_links;
    }
  }
  if (settings.devide) {
    h += kP11;
    switch (settings.devide_kind) {
      case 0:
        h += settings.devide_count + u"件";
        break;
      case 1: {
        static const char16_t* const kDateKinds[] = {u"日別", u"週別", u"月別"};
        if (settings.devide_date_kind >= 0 && settings.devide_date_kind < 3)
          h += kDateKinds[settings.devide_date_kind];
        break;
      }
      case 2:
        h += settings.devide_file_size + u"KB";
        break;
      default:
        break;
    }
    h += kP12;
  } else {
    h += kP13;
  }
  return page;
}

int AskIndexLayout(Ui& ui, const ListPage& list) {
  if (list.first_index_file.empty()) return kIndexNone;
  ui.Beep();
  Answer a = ui.MessageBox(Text(u"題名のインデックスファイルを左に表示しますか？") + kCrLf +
                               u"「はい」の時左に「いいえ」の時は下に表示します",
                           kAppCaption, Icon::Question, Buttons::YesNo);
  return a == Answer::Yes ? kIndexLeft : kIndexBottom;
}

Text BuildFramesetPage(const Text& base, const ListPage& list, bool devide, int index_layout) {
  const Text list_frame = kG1 + PercentEncode(base + u"_list.html") + kG4;
  const Text message_frame = kG2 + PercentEncode(list.first_message_file) + kG4;
  const Text index_frame = kG3 + PercentEncode(list.first_index_file) + kG4;
  Text h = kP1 + base + kP14;
  if (devide && (list.message_links > 1 || list.index_links > 1)) {
    switch (index_layout) {
      case kIndexLeft:
        h += kF2 + Text(kF3) + list_frame + index_frame + kF5 + message_frame + kF5;
        break;
      case kIndexBottom:
        h += kF1 + list_frame + kF4 + message_frame + index_frame + kF5 + kF5;
        break;
      default:
        h += kF1 + list_frame + message_frame + kF5;
        break;
    }
  } else if (index_layout == kIndexLeft) {
    h += kF2 + index_frame + message_frame + kF5;
  } else {
    h += kF4 + message_frame + index_frame + kF5;
  }
  return h + kN1;
}

namespace {

void ShowError(Ui& ui, const Text& text) {
  ui.MessageBox(text, kAppCaption, Icon::Critical, Buttons::Ok);
}

bool WritePage(Ui& ui, const Text& path, const Text& html) {
  if (WriteFileAtomic(path, EncodeCp932(html))) return true;
  ShowError(ui, u"ファイル（" + path + u"）に書き込めませんでした");
  return false;
}

}  // namespace

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

std::optional<Text> PrepareResult(ViewerContext& ctx) {
  MainForm& form = ctx.form;
  Ui& ui = ctx.ui;
  if (form.Check_devide().Value() == 0 && form.Check_CreateTitleIndex().Value() == 0)
    return form.Text_out().Value();

  Text out = form.Text_out().Value();
  const int64_t p = FindLast(out, Text(1, kSep));
  if (p == 0) {
    ShowError(ui, u"出力ファイル名をフルパスで指定してください");
    return std::nullopt;
  }
  if (out.back() == kSep) {
    ShowError(ui, u"正しい出力ファイル名を指定してください");
    return std::nullopt;
  }
  if (FindFrom(out, u".", p) == 0) {
    const OutputEntry* entry = ctx.catalog.Output(form.Combo_out().Index());
    const Text mark = entry ? entry->mark : Text();
    form.Text_out().SetValue(out + u"." + mark);
    out = form.Text_out().Value();
  }
  ui.Yield();

  const Text folder = out.substr(0, static_cast<size_t>(p));
  const Text file_name = out.substr(static_cast<size_t>(p));
  const size_t dot = file_name.rfind(u'.');
  const Text base = dot == Text::npos ? file_name : file_name.substr(0, dot);

  FileList files;
  int64_t found = SearchFile(ui, folder, u"", false, files, 0, base + u"*");
  if (found <= 0) return out;
  SortFileList(files, 0, static_cast<int64_t>(files.size()) - 1);

  const PageSettings settings = PageSettingsFromForm(form);
  const ListPage list = BuildListPage(base, files, settings);
  const int layout = AskIndexLayout(ui, list);
  if (settings.devide && !WritePage(ui, folder + base + u"_list.html", list.html))
    return std::nullopt;
  const Text target = folder + base + u"_index.html";
  if (!WritePage(ui, target, BuildFramesetPage(base, list, settings.devide, layout)))
    return std::nullopt;
  WaitForFile(ui, ctx.clock, target);
  return target;
}

bool OpenResultTarget(Ui& ui, Shell& shell, const Text& target) {
  if (!FileExists(target)) {
    ShowError(ui, u"ファイルが存在しません");
    return false;
  }
  const Text upper = UpperCase(target);
  const TextView last4 = upper.size() >= 4 ? TextView(upper).substr(upper.size() - 4) : TextView();
  for (const char16_t* ext : {u".DAT", u".TXT", u".CSV", u".TAB", u".ASC"}) {
    if (last4 == ext) return shell.Edit(GetShortPath(target));
  }
  if (last4 == u".HTM" || EndsWith(upper, u".HTML")) return shell.Open(target);
  ShowError(ui, u"正しいファイルが指定されていません");
  return false;
}

void ShowResult(ViewerContext& ctx) {
  if (auto target = PrepareResult(ctx)) OpenResultTarget(ctx.ui, ctx.shell, *target);
}

}  // namespace pellucor
