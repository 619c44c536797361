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
  size_t cut = s.rfind(kSep);
  Text folder = cut == Text::npos ? Text() : s.substr(0, cut + 1);
  Text name = cut == Text::npos ? s : s.substr(cut + 1);
  for (const Device& d : kDevices)
    if (IsDevice(name, d.name)) name = ReplaceAll(name, d.name, d.hyphenated, true);
  return folder + name;
}

Text GetShortPath(TextView path) {
  return Text(path);
}

}  // namespace pellucor
