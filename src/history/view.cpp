#include "history/view.h"

#include <algorithm>

#include "common/files.h"
#include "common/numeric.h"
#include "common/search.h"
#include "engine/definitions.h"

namespace pellucor {
namespace {

bool IsOne(const Text& t) {
  return WholeValue(t) == 1;
}

DateTime TenYearsBefore(const DateTime& now) {
  DateTime t = now;
  t.year -= 10;
  if (!IsValidDate(t.year, t.month, t.day)) t.day = 28;  // 29 February of a common year
  return t;
}

const char16_t* DateKindText(const Text& kind) {
  if (kind == u"0") return u"日別";
  if (kind == u"1") return u"週別";
  if (kind == u"2") return u"月別";
  return u"";
}

// folder (with its separator), base and extension of the output path; false without a "." in
// the file-name part.
bool SplitOutputPath(const Text& path, Text& folder, Text& base, Text& ext) {
  int64_t p = FindLast(path, Text(1, kSep));
  folder = path.substr(0, static_cast<size_t>(p));
  Text name = path.substr(static_cast<size_t>(p));
  size_t dot = name.rfind(u'.');
  if (dot == Text::npos) return false;
  base = name.substr(0, dot);
  ext = name.substr(dot + 1);
  return true;
}

}  // namespace

void SortHistoryForWindow(HistoryList& list, const DateTime& now) {
  const DateTime fallback = TenYearsBefore(now);
  std::vector<DateTime> dates;
  dates.reserve(list.size());
  for (const HistoryRecord& r : list)
    dates.push_back(ParseDateTime(r.lastRunTime).value_or(fallback));
  for (size_t i = 0; i < list.size(); ++i) {
    for (size_t j = i; j < list.size(); ++j) {
      if (dates[i] < dates[j]) {
        std::swap(list[i], list[j]);
        std::swap(dates[i], dates[j]);
      }
    }
  }
}

Text FitToBytes(TextView text, int width) {
  Text r;
  int used = 0;
  for (char16_t c : text) {
    int w = Cp932Width(c);
    if (used + w > width) break;
    r += c;
    used += w;
  }
  r.append(static_cast<size_t>(std::max(0, width - used)), u' ');
  return r;
}

Text HistoryListLine(const HistoryRecord& r) {
  Text line;
  if (r.lastRunTime.size() > 5) line = r.lastRunTime.substr(5, 11);
  line += u' ';
  line += FitToBytes(u"(" + r.lastMessage + u")", 7) + u'\t';
  line += FitToBytes(r.boardName, 19) + u'\t';
  if (!r.comment.empty()) {
    line += FitToBytes(r.title, 29) + u'\t' + r.comment;
  } else {
    line += r.title;
  }
  return line;
}

Text HistoryDetailText(const HistoryRecord& r, const DefinitionCatalog& catalog) {
  Text t;
  auto add = [&t](const Text& line) { t += line + kCrLf; };
  add(u"タイトル : " + r.title);
  add(u"前回取得MSG番号 : " + r.fromNumber + u"\uFF5E" + r.lastMessage);
  add(Text(u"最大メッセージ数まで取得 : ") + (IsOne(r.maxMsg) ? u"する" : u"しない"));
  add(u"掲示板 : " + r.boardName);
  for (const OutputEntry& e : catalog.outputs) {
    if (e.file == r.outputTypeFile) {
      add(u"出力タイプ : " + e.name);
      break;
    }
  }
  add(u"出力ファイル名 : " + r.outputPath);
  add(Text(u"タイトルをファイル名に : ") + (IsOne(r.topicToFilename) ? u"する" : u"しない"));
  if (IsOne(r.divide)) {
    Text split;
    if (r.divideKind == u"0")
      split = r.divideCount + u"件ごと";
    else if (r.divideKind == u"1")
      split = DateKindText(r.divideDateKind);
    else if (r.divideKind == u"2")
      split = r.divideFileSize + u"KBごと";
    add(u"出力ファイルを分割 : する(" + split + u")");
  } else {
    add(u"出力ファイルを分割 : しない");
  }
  add(Text(u"題名インデックス : ") + (IsOne(r.createTitleIndex) ? u"作成する" : u"作成しない"));
  add(u"前回取得日 : " + r.lastRunTime);
  const double messages = NumericValue(r.totalMessages);
  if (messages > 0) {
    add(u"平均取得時間 : " + FormatFixed(NumericValue(r.totalSeconds) / messages, 2) + u"秒(/1件)");
  }
  add(u"コメント : " + r.comment);
  return t;
}

PutBack PutBackValues(const HistoryRecord& r, const DefinitionCatalog& catalog) {
  PutBack v;
  v.url1 = r.url1;
  v.url2 = r.url2;
  v.from = v.to = FormatNumber(NumericValue(r.lastMessage) + 1);
  v.max_msg = static_cast<int>(WholeValue(r.maxMsg));
  v.output_path = r.outputPath;
  v.topic_to_filename = static_cast<int>(WholeValue(r.topicToFilename));
  v.devide = static_cast<int>(WholeValue(r.divide));
  v.devide_count = r.divideCount;
  for (size_t i = 0; i < catalog.boards.size() && v.board_index < 0; ++i)
    if (catalog.boards[i].file == r.boardFile) v.board_index = static_cast<int>(i);
  for (size_t i = 0; i < catalog.outputs.size() && v.output_index < 0; ++i)
    if (catalog.outputs[i].file == r.outputTypeFile) v.output_index = static_cast<int>(i);
  v.create_title_index = static_cast<int>(WholeValue(r.createTitleIndex));
  v.no_out_blank = static_cast<int>(WholeValue(r.noOutBlank));
  // Indexes outside the controls' range (a damaged record) leave them as they are.
  if (int64_t k = WholeValue(r.divideKind); k >= 0 && k <= 2) v.devide_kind = static_cast<int>(k);
  if (int64_t k = WholeValue(r.divideDateKind); k >= 0 && k <= 2)
    v.devide_date_kind = static_cast<int>(k);
  v.devide_file_size = r.divideFileSize;
  return v;
}

OutputChoice ChooseHistoryOutput(const HistoryRecord& r) {
  OutputChoice c;
  Text folder, base, ext;
  if (!SplitOutputPath(r.outputPath, folder, base, ext)) {
    c.valid_name = false;
    return c;
  }
  const Text index_page = folder + base + u"_index." + ext;
  Text output = r.outputPath;
  const bool divided = WholeValue(r.divide) != 0;
  if (divided) {
    const int64_t key = WholeValue(r.splitKey);
    Text key_text;
    if (r.divideKind == u"0")
      key_text = ZeroPad(key, 3);
    else if (r.divideKind == u"1")
      key_text = FormatNumber(static_cast<double>(key));
    else if (r.divideKind == u"2")
      key_text = ZeroPad(key, 4);
    output = folder + base + u"_" + key_text + u"." + ext;
  }
  if (divided || IsOne(r.createTitleIndex)) c.candidates.push_back(index_page);
  c.candidates.push_back(output);

  const bool output_exists = FileExists(output);
  const bool index_exists = c.candidates.size() == 2 && FileExists(index_page);
  if (index_exists && output_exists) {
    auto out_time = FileModified(output);
    auto idx_time = FileModified(index_page);
    c.chosen = out_time && idx_time && *out_time > *idx_time ? output : index_page;
  } else if (index_exists) {
    c.chosen = index_page;
  } else if (output_exists) {
    c.chosen = output;
  }
  return c;
}

}  // namespace pellucor
