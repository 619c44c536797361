#include "common/filename.h"

#include "common/search.h"

namespace pellucor {

namespace {

struct CharRule {
  char16_t c;
  const char16_t* reported;
  const char16_t* replacement;
};

// "/" is the folder separator here, so it is not a forbidden character of a path; a title
// still has it replaced so that it can never create folders.
constexpr CharRule kCharRules[] = {
    {u'*', u"*", u"＊"},
    {u',', u",", u"，"},
    {u'<', u"<", u"＜"},
    {u'>', u">", u"＞"},
    {u'|', u"|", u"｜"},
    {u'?', u"?", u"？"},
    {u':', u":", u"："},  // tested in the file-name part only
    {u'"', u"\"", u"QUOTE"},
    {u'\t', u"(タブ)", u"TAB"},
    {u'\n', u"(ラインフィード)", u"LF"},
    {u'\r', u"(キャリッジリターン)", u"CR"},
};

struct Device {
  const char16_t* name;
  const char16_t* hyphenated;
};

constexpr Device kDevices[] = {
    {u"AUX", u"A-U-X"},
    {u"CON", u"C-O-N"},
    {u"PRN", u"P-R-N"},
    {u"NUL", u"N-U-L"},
};

bool IsDevice(TextView name_part, TextView device) {
  if (name_part.size() < 3) return false;
  if (UpperCase(name_part.substr(0, 3)) != device) return false;
  return name_part.size() == 3 || name_part[3] == u'.';
}

TextView NameOf(TextView path) {
  size_t p = path.rfind(kSep);
  return p == TextView::npos ? path : path.substr(p + 1);
}

}  // namespace

bool ValidateFileName(TextView name, Text* reported) {
  Text found;
  const TextView name_part = NameOf(name);
  if (TrimSpaces(name).empty()) {
    found = u"(未入力)";
  } else {
    for (const CharRule& r : kCharRules) {
      TextView where = r.c == u':' ? name_part : name;
      if (where.find(r.c) != TextView::npos) {
        found = r.reported;
        break;
      }
    }
    if (found.empty()) {
      for (const Device& d : kDevices) {
        if (IsDevice(name_part, d.name)) {
          found = d.name;
          break;
        }
      }
    }
  }
  if (reported) *reported = found;
  return found.empty();
}

Text TitleToFileName(TextView title, const DateTime& now) {
  Text s = TrimSpaces(title).empty() ? FormatStamp(now) : Text(title);
  s = ReplaceAll(s, u"/", u"／");
  for (const CharRule& r : kCharRules) s = ReplaceAll(s, TextView(&r.c, 1), r.replacement);
  // A NUL would cut the path short and name another file; no control character belongs in a
  // name.
  for (char16_t& c : s)
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) c = u'_';
  size_t cut = s.rfind(kSep);
  Text folder = cut == Text::npos ? Text() : s.substr(0, cut + 1);
  Text name = cut == Text::npos ? s : s.substr(cut + 1);
  for (const Device& d : kDevices)
    if (IsDevice(name, d.name)) name = ReplaceAll(name, d.name, d.hyphenated, true);
  return folder + name;
}

Text CutToBytes(TextView name, size_t max_bytes) {
  size_t bytes = 0, n = 0;
  while (n < name.size()) {
    const char16_t c = name[n];
    const bool pair = c >= 0xD800 && c <= 0xDBFF && n + 1 < name.size() && name[n + 1] >= 0xDC00 &&
                      name[n + 1] <= 0xDFFF;
    const size_t w = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
    if (bytes + w > max_bytes) break;
    bytes += w;
    n += pair ? 2 : 1;
  }
  return Text(name.substr(0, n));
}

Text GetShortPath(TextView path) {
  return Text(path);
}

}  // namespace pellucor
