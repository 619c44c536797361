#include "common/deffile.h"

#include <algorithm>
#include <string>
#include <vector>

#include "common/files.h"

namespace pellucor {

namespace {

// One line of the file: its bytes without the terminator, and the terminator ("\r\n", "\r"
// or "" for a last line without one). A lone LF stays inside the line. CR is never a trail
// byte of a double-byte character, so splitting the bytes is the same as splitting the text.
struct RawLine {
  std::string_view content;
  std::string_view end;
};

std::vector<RawLine> SplitLines(std::string_view bytes) {
  std::vector<RawLine> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t cr = bytes.find('\r', start);
    if (cr == std::string_view::npos) {
      lines.push_back({bytes.substr(start), {}});
      break;
    }
    size_t end_len = cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? 2 : 1;
    lines.push_back({bytes.substr(start, cr - start), bytes.substr(cr, end_len)});
    start = cr + end_len;
  }
  return lines;
}

// Only U+0020 is a blank here; the ideographic space is part of a name.
bool IsHeader(TextView trimmed) {
  return trimmed.size() >= 2 && trimmed.front() == u'[' && trimmed.back() == u']';
}

bool IsWantedHeader(TextView trimmed, TextView section) {
  return trimmed.size() == section.size() + 2 && IsHeader(trimmed) &&
         trimmed.substr(1, section.size()) == section;
}

bool IsKeyLine(TextView line, TextView key) {
  return line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == u'=';
}

// The scans below look at the bytes of a line and decode no more of it than a decision needs,
// so every call costs one pass over the file's bytes, however long its lines (a 5 MB line is
// not decoded once per key). A space byte is always a space character: it is no trail byte.

std::string_view TrimRaw(std::string_view s) {
  size_t b = 0, e = s.size();
  while (b < e && s[b] == ' ') ++b;
  while (e > b && s[e - 1] == ' ') --e;
  return s.substr(b, e - b);
}

bool LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// Whether the line's trimmed text begins with "[" and ends with "]". The first byte starts a
// character; the last "]" is a character of its own when an even number of lead bytes comes
// right before it (after any other byte a character starts, and lead bytes pair from there).
bool RawIsHeader(std::string_view raw) {
  std::string_view t = TrimRaw(raw);
  if (t.size() < 2 || t.front() != '[' || t.back() != ']') return false;
  size_t leads = 0;
  for (size_t i = t.size() - 1; i > 0 && LeadByte(static_cast<unsigned char>(t[i - 1])); --i)
    ++leads;
  return leads % 2 == 0;
}

bool RawIsWantedHeader(std::string_view raw, TextView section) {
  std::string_view t = TrimRaw(raw);
  // Each character takes one or two bytes: a longer line cannot decode to the header.
  if (t.size() < section.size() + 2 || t.size() > 2 * (section.size() + 2)) return false;
  return IsWantedHeader(DecodeCp932(t), section);
}

// Whether the line starts with key + "=": only a prefix long enough to hold them is decoded.
bool RawIsKeyLine(std::string_view raw, TextView key) {
  const size_t enough = 2 * (key.size() + 2);
  return IsKeyLine(DecodeCp932(raw.substr(0, std::min(raw.size(), enough))), key);
}

// Walks the lines of the first section named `section`; `on_line` gets each body line's bytes
// and returns false to stop. Returns false when the file cannot be read.
template <typename F>
bool ScanSection(std::string_view bytes, TextView section, F on_line) {
  bool in_section = false;
  for (const RawLine& raw : SplitLines(bytes)) {
    if (!in_section) {
      in_section = RawIsWantedHeader(raw.content, section);
      continue;
    }
    if (RawIsHeader(raw.content)) break;
    if (!on_line(raw.content)) break;
  }
  return true;
}

std::optional<Text> ValueIn(std::string_view bytes, TextView section, TextView key) {
  std::optional<Text> result;
  ScanSection(bytes, section, [&](std::string_view line) {
    if (!RawIsKeyLine(line, key)) return true;
    result = DecodeCp932(line).substr(key.size() + 1);
    return false;
  });
  return result;
}

}  // namespace

Text ReadDefinitionValue(TextView section, TextView key, TextView def, TextView path) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return Text(def);
  return ReadDefinitionValueIn(*bytes, section, key, def);
}

Text ReadDefinitionValueIn(std::string_view bytes, TextView section, TextView key, TextView def) {
  std::optional<Text> value = ValueIn(bytes, section, key);
  return value ? std::move(*value) : Text(def);
}

Text ReadDefinitionSection(TextView section, TextView def, TextView path) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return Text(def);
  Text result;
  ScanSection(*bytes, section, [&](std::string_view line) {
    result += DecodeCp932(line);
    return true;
  });
  return result;
}

Text ReadSettingsValue(TextView section, TextView key, TextView def, TextView path) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return Text(def);
  return ReadDefinitionValueIn(LfLinesToCrLf(*bytes), section, key, def);
}

std::string LfLinesToCrLf(std::string_view bytes) {
  std::string out(bytes);
  if (bytes.find('\r') != std::string_view::npos || bytes.find('\n') == std::string_view::npos)
    return out;
  out.clear();
  out.reserve(bytes.size() + bytes.size() / 16);
  for (char c : bytes) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A CR in the section, key or value would end the line early and the value could not be read
// back, so such a write is refused. A key must be non-empty and free of "=" for the same
// reason, and its line must not look like a section header.
std::optional<std::string> SetDefinitionValue(std::string_view bytes, TextView section,
                                              TextView key, TextView value) {
  auto has_cr = [](TextView t) { return t.find(u'\r') != TextView::npos; };
  if (key.empty() || key.find(u'=') != TextView::npos || has_cr(section) || has_cr(key) ||
      has_cr(value) || key.front() == u'\n')  // after a lone CR it would become a CR LF
    return std::nullopt;
  const Text key_line = Text(key) + u"=" + Text(value);
  if (IsHeader(TrimSpaces(key_line))) return std::nullopt;
  const std::string new_line = EncodeCp932(key_line) + "\r\n";

  std::vector<RawLine> lines = SplitLines(bytes);

  // Find the first section of the name, the first key line in it, and the last non-empty
  // line of its body (new keys go after it, before any blank lines that separate sections).
  long header = -1, key_at = -1, last_body = -1;
  for (size_t k = 0; k < lines.size(); ++k) {
    if (header < 0) {
      if (RawIsWantedHeader(lines[k].content, section))
        header = static_cast<long>(k), last_body = header;
      continue;
    }
    if (RawIsHeader(lines[k].content)) break;
    if (!lines[k].content.empty()) last_body = static_cast<long>(k);
    if (RawIsKeyLine(lines[k].content, key)) {
      key_at = static_cast<long>(k);
      break;
    }
  }

  std::string out;
  out.reserve(bytes.size() + new_line.size() + section.size() * 2 + 8);
  auto put = [&](size_t k) {
    out.append(lines[k].content);
    // A line that gets a successor needs a terminator; only the file's last line may lack one.
    out.append(lines[k].end.empty() ? std::string_view("\r\n") : lines[k].end);
  };
  if (header < 0) {
    out = std::string(bytes);
    if (!lines.empty() && lines.back().end.empty()) out += "\r\n";
    out += EncodeCp932(u"[" + Text(section) + u"]") + "\r\n" + new_line;
  } else {
    for (size_t k = 0; k < lines.size(); ++k) {
      if (static_cast<long>(k) == key_at) {
        out += new_line;
        continue;
      }
      bool last = k + 1 == lines.size();
      if (last && lines[k].end.empty() && static_cast<long>(k) != last_body)
        out.append(lines[k].content);  // untouched last line keeps its missing terminator
      else
        put(k);
      if (key_at < 0 && static_cast<long>(k) == last_body) out += new_line;
    }
  }
  // Whatever the neighbouring lines are, a write is kept only when it reads back exactly.
  std::optional<Text> back = ValueIn(out, section, key);
  if (!back || *back != value) return std::nullopt;
  return out;
}

bool WriteDefinitionValues(TextView section, const std::vector<std::pair<Text, Text>>& pairs,
                           TextView path) {
  std::string bytes;
  if (FileExists(path)) {
    std::optional<std::string> old = ReadFileBytes(path);
    if (!old) return false;  // never replace a file we could not read
    bytes = LfLinesToCrLf(*old);
  } else if (FolderExists(path)) {
    return false;
  }
  bool ok = true, changed = false;
  for (const auto& [key, value] : pairs) {
    if (auto next = SetDefinitionValue(bytes, section, key, value)) {
      bytes = std::move(*next);
      changed = true;
    } else {
      ok = false;
    }
  }
  return changed ? WriteFileAtomic(path, bytes) && ok : ok && pairs.empty();
}

bool WriteDefinitionValue(TextView section, TextView key, TextView value, TextView path) {
  return WriteDefinitionValues(section, {{Text(key), Text(value)}}, path);
}

}  // namespace pellucor
