#include "update/version_list.h"

#include "common/deffile.h"
#include "common/files.h"
#include "common/numeric.h"

namespace pellucor {

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

}  // namespace pellucor
