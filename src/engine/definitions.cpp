#include "engine/definitions.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/deffile.h"
#include "common/files.h"
#include "common/numeric.h"
#include "common/text.h"

namespace pellucor {
namespace {

Text Dec(int64_t n) {
  std::string s = std::to_string(n);
  return Text(s.begin(), s.end());
}

Text MissingFileText(const Text& first_line, const Text& path) {
  return first_line + kCrLf + u"ファイル名：" + path + kCrLf +
         u"ファイルがあるのにエラーになる場合はアプリケーションを再起動してください。";
}

Text ItemError(int n, const Text& key, const Text& value, const Text& hint) {
  return u"[item" + Dec(n) + u"] " + key + u" が不正です。 設定値=" + value + kCrLf + hint;
}

Text WithSep(TextView folder) {
  Text f(folder);
  if (f.empty() || f.back() != kSep) f += kSep;
  return f;
}

// [itemN] of a board definition, checked.
Result<ItemRule> ReadItemRule(int n, const Text& path) {
  const Text section = u"item" + Dec(n);
  auto item = [&](const char16_t* key, const char16_t* def) {
    return ReadDefinitionValue(section, key, def, path);
  };
  ItemRule r;
  r.name = item(u"name", u"");
  r.bf_from = item(u"bf_from", u"");
  r.bf_to = item(u"bf_to", u"");
  r.af_from = item(u"af_from", u"");
  r.af_to = item(u"af_to", u"");
  r.attr = item(u"attr", u"");
  r.priority = item(u"priority", u"0");
  double pr = NumericValue(r.priority);
  if (pr != 0 && pr != 1) {
    return Error{0, ItemError(n, u"priority", r.priority, u"0か1を指定してください")};
  }
  r.cnt = item(u"cnt", u"1");
  double c = NumericValue(r.cnt);
  if (c < -10000 || c > 10000 || c == 0) {
    return Error{0, ItemError(n, u"cnt", r.cnt, u"-10000～10000の範囲(0を除く)で指定してください")};
  }
  return r;
}

}  // namespace

const BoardEntry* DefinitionCatalog::Board(int index) const {
  if (index < 0 || index >= static_cast<int>(boards.size())) return nullptr;
  return &boards[index];
}

const OutputEntry* DefinitionCatalog::Output(int index) const {
  if (index < 0 || index >= static_cast<int>(outputs.size())) return nullptr;
  return &outputs[index];
}

bool HasExtension(TextView name, TextView extension) {
  Text suffix(1, u'.');
  suffix += extension;
  if (name.size() < suffix.size()) return false;
  return UpperCase(name.substr(name.size() - suffix.size())) == UpperCase(suffix);
}

std::vector<Text> ListDefinitionFiles(TextView folder, TextView extension) {
  std::vector<Text> names;
  std::error_code ec;
  std::filesystem::directory_iterator it(NativePath(WithSep(folder)), ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::string raw = it->path().filename().string();
    if (raw.empty() || raw[0] == '.') continue;  // hidden entries, "." and ".."
    std::error_code dir_ec;
    if (it->is_directory(dir_ec)) continue;
    Text name = FromUtf8(raw);
    if (HasExtension(name, extension)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// Both lists are built alike: one entry per definition file of the extension, in name order,
// read by `fill`; an empty folder gives one placeholder entry. The last entry `selects` accepts
// becomes the selected one.
template <typename Catalog, typename Fill, typename Selects>
Catalog BuildCatalog(TextView program_dir, TextView extension, TextView placeholder, Fill fill,
                     Selects selects) {
  Catalog cat;
  std::vector<Text> files = ListDefinitionFiles(program_dir, extension);
  if (files.empty()) {
    cat.entries.emplace_back();
    cat.names.emplace_back(placeholder);
    cat.selected = 0;
    return cat;
  }
  Text dir = WithSep(program_dir);
  for (const Text& f : files) {
    auto& e = cat.entries.emplace_back();
    e.file = f;
    e.name = ReadDefinitionValue(u"basic", u"name", u"？？？", dir + f);
    fill(e, dir + f);
    cat.names.push_back(e.name);
  }
  for (size_t i = 0; i < cat.entries.size(); ++i)
    if (selects(cat.entries[i].file)) cat.selected = static_cast<int>(i);
  return cat;
}

}  // namespace

BoardCatalog RefreshBoardCatalog(TextView program_dir, TextView settings_path) {
  Text remembered = ReadSettingsValue(u"main", u"bbs_file", u"", settings_path);
  return BuildCatalog<BoardCatalog>(
      program_dir, u"bbs", kNoBoardFiles,
      [](BoardEntry& e, const Text& path) {
        e.url = ReadDefinitionValue(u"basic", u"url", u"", path);
        e.msgurl = ReadDefinitionValue(u"basic", u"msgurl", u"", path);
        e.msgstr = ReadDefinitionValue(u"basic", u"msgstr", u"", path);
        e.first_msgno = ReadDefinitionValue(u"basic", u"first_msgno", u"1", path);
      },
      [&](const Text& file) {
        // Without a remembered choice the shipped board is the one selected.
        bool shipped = file.size() >= 10 && file.compare(file.size() - 10, 10, u"_yahoo.bbs") == 0;
        return file == remembered || (remembered.empty() && shipped);
      });
}

OutputCatalog RefreshOutputCatalog(TextView program_dir, TextView settings_path) {
  Text remembered = ReadSettingsValue(u"main", u"out_file", u"", settings_path);
  return BuildCatalog<OutputCatalog>(
      program_dir, u"out", kNoOutputFiles,
      [](OutputEntry& e, const Text& path) {
        e.mark = ReadDefinitionValue(u"basic", u"mark", u"html", path);
      },
      [&](const Text& file) { return file == remembered; });
}

Result<BoardDefinition> LoadBoardDefinition(const BoardEntry& entry, TextView program_dir) {
  Text path = Text(program_dir) + entry.file;
  if (entry.file.empty() || !FileExists(path)) {
    return Error{0, MissingFileText(u"掲示板設定ファイルが存在しません", path)};
  }
  auto basic = [&](const char16_t* key, const char16_t* def) {
    return ReadDefinitionValue(u"basic", key, def, path);
  };
  BoardDefinition d;

  Text keta = basic(u"msg_keta", u"0");
  double v = NumericValue(keta);
  if (v < 0 || v > 20) {
    return Error{0, u"メッセージ番号の桁数が不正です[basic] msg_keta=" + keta + kCrLf + u"0～" +
                        Dec(20) + u"の範囲で指定してください"};
  }
  d.msg_keta = static_cast<int>(RoundHalfEven(v));

  Text cc = basic(u"charchange", u"0");
  v = NumericValue(cc);
  if (v < 0 || v > 2) {
    return Error{0, u"文字コード変換が不正です[basic] charchange=" + cc + kCrLf +
                        u"文字コード変換(0:ECU->SJIS, 1:無変換(最初からSJISの時), "
                        u"2:JIS->SJISのいずれかを指定してください"};
  }
  d.charchange = static_cast<int>(RoundHalfEven(v));

  Text ic = basic(u"item_cnt", u"0");
  v = NumericValue(ic);
  if (v < 1 || v > 10) {
    return Error{0, u"取得アイテム数が不正です[basic] item_cnt=" + ic + kCrLf +
                        u"1～10の範囲で指定してください"};
  }
  d.item_cnt = static_cast<int>(RoundHalfEven(v));

  d.special = basic(u"special", u"");

  for (int n = 1; n <= d.item_cnt; ++n) {
    Result<ItemRule> r = ReadItemRule(n, path);
    if (!r) return r.error();
    d.items.push_back(std::move(*r));
  }

  for (int i = 0; i < static_cast<int>(d.items.size()); ++i) {
    const Text& name = d.items[i].name;
    if (name == kItemTitle) d.title_item = i;
    if (name == kItemSubject) d.subject_item = i;
    if (name == kItemBody) d.body_item = i;
    if (name == kItemDate) d.date_item = i;
    if (name == kItemMaxMsg) d.maxmsg_item = i;
  }

  v = NumericValue(basic(u"changeword_cnt", u"0"));
  if (v < 0 || v > 10) {
    return Error{0, u"置き換え文字列数が不正です[basic] changeword_cnt=" + FormatNumber(v) + kCrLf +
                        u"0～10の範囲で指定してください"};
  }
  d.changeword_cnt = static_cast<int>(RoundHalfEven(v));
  for (int m = 1; m <= d.changeword_cnt; ++m) {
    Text section = u"changeword" + Dec(m);
    d.changewords.push_back({ReadDefinitionValue(section, u"bf", u"", path),
                             ReadDefinitionValue(section, u"af", u"", path)});
  }

  d.crlftab_neglect = FormatNumber(NumericValue(basic(u"crlftab_neglect", u"")));
  d.cut_bf = WholeValue(ReadDefinitionValue(u"cut", u"bf", u"", path));
  d.cut_af = WholeValue(ReadDefinitionValue(u"cut", u"af", u"", path));
  d.cut_checkword = ReadDefinitionValue(u"cut", u"checkword", u"", path);
  return d;
}

Result<OutputType> LoadOutputType(const OutputEntry& entry, TextView program_dir) {
  Text path = Text(program_dir) + entry.file;
  if (entry.file.empty() || !FileExists(path)) {
    return Error{0, MissingFileText(u"出力HTMLタイプ設定ファイルが存在しません", path)};
  }
  OutputType t;
  t.special = ReadDefinitionValue(u"basic", u"special", u"", path);
  t.html1 = ReadDefinitionSection(u"html1", u"", path);
  t.html2 = ReadDefinitionSection(u"html2", u"", path);
  t.html3 = ReadDefinitionSection(u"html3", u"", path);
  t.html1_idx = ReadDefinitionSection(u"html1_idx", u"", path);
  t.html2_idx = ReadDefinitionSection(u"html2_idx", u"", path);
  t.file = entry.file;
  t.name = entry.name;
  t.mark = entry.mark;
  return t;
}

void ShowDefinitionError(Ui& ui, const Error& error) {
  ui.MessageBox(error.text, kAppCaption, Icon::Critical, Buttons::Ok);
}

}  // namespace pellucor
