#include "history/patrol_marks.h"

#include <algorithm>

#include "common/files.h"
#include "history/view.h"

namespace pellucor {
namespace {

constexpr char16_t kVersion[] = u"1";

Text OneLine(const Text& field) {
  Text out = field;
  std::replace_if(
      out.begin(), out.end(), [](char16_t c) { return c == u'\r' || c == u'\n'; }, u' ');
  return out;
}

// CR LF, a lone CR or (in a file without CR) a lone LF ends a line; no empty last line.
std::vector<Text> Lines(const Text& text) {
  const char16_t end = text.find(u'\r') == Text::npos ? u'\n' : u'\r';
  std::vector<Text> lines;
  Text cur;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == end || text[i] == u'\r') {
      lines.push_back(std::move(cur));
      cur.clear();
      if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      cur.push_back(text[i]);
    }
  }
  if (!cur.empty()) lines.push_back(std::move(cur));
  return lines;
}

}  // namespace

Text PatrolMarksPath(const Text& program_directory) {
  return program_directory + u"patrol.dat";
}

PatrolMarks::Key PatrolMarks::KeyOf(const HistoryRecord& r) {
  // Stored fields are single lines; comparing their stored form keeps a mark matching after a
  // save and load of record.dat.
  return {OneLine(r.url1), OneLine(r.url2), OneLine(r.outputPath)};
}

PatrolMarks PatrolMarks::Load(const Text& path) {
  PatrolMarks marks;
  auto bytes = ReadFileBytes(path);
  if (!bytes) return marks;
  std::vector<Text> lines = Lines(DecodeCp932(*bytes));
  if (lines.empty() || lines[0] != kVersion) return marks;
  for (size_t i = 1; i + 3 <= lines.size(); i += 3) {
    Key k{lines[i], lines[i + 1], lines[i + 2]};
    if (std::find(marks.keys_.begin(), marks.keys_.end(), k) == marks.keys_.end())
      marks.keys_.push_back(std::move(k));
  }
  return marks;
}

bool PatrolMarks::IsMarked(const HistoryRecord& record) const {
  return std::find(keys_.begin(), keys_.end(), KeyOf(record)) != keys_.end();
}

void PatrolMarks::Set(const HistoryRecord& record, bool on) {
  Key k = KeyOf(record);
  auto it = std::find(keys_.begin(), keys_.end(), k);
  if (on && it == keys_.end()) keys_.push_back(std::move(k));
  if (!on && it != keys_.end()) keys_.erase(it);
}

void PatrolMarks::KeepOnly(const HistoryList& list) {
  std::erase_if(keys_, [&](const Key& k) {
    return std::none_of(list.begin(), list.end(),
                        [&](const HistoryRecord& r) { return KeyOf(r) == k; });
  });
}

bool PatrolMarks::Save(const Text& path) const {
  if (keys_.empty()) return !FileExists(path) || DeleteFile(path);
  Text text = Text(kVersion) + kCrLf;
  for (const Key& k : keys_) text += k.url1 + kCrLf + k.url2 + kCrLf + k.output_path + kCrLf;
  return WriteFileAtomic(path, EncodeCp932(text)).ok();
}

Text PatrolListLine(const Text& line, bool marked, TextView check) {
  return Text(marked ? u"◎" : u"  ") + FitToBytes(check, 6) + line;
}

}  // namespace pellucor
