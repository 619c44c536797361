#include "common/deffile.h"

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

// Walks the lines of the first section named `section`; `on_line` gets each body line and
// returns false to stop. Returns false when the file cannot be read.
template <typename F>
bool ScanSection(TextView path, TextView section, F on_line) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return false;
  bool in_section = false;
  for (const RawLine& raw : SplitLines(*bytes)) {
    Text line = DecodeCp932(raw.content);
    Text trimmed = TrimSpaces(line);
    if (!in_section) {
      in_section = IsWantedHeader(trimmed, section);
      continue;
    }
    if (IsHeader(trimmed)) break;
    if (!on_line(line)) break;
  }
  return true;
}

}  // namespace

Text ReadDefinitionValue(TextView section, TextView key, TextView def, TextView path) {
  Text result;
  bool found = false;
  bool read = ScanSection(path, section, [&](const Text& line) {
    if (!IsKeyLine(line, key)) return true;
    result = line.substr(key.size() + 1);
    found = true;
    return false;
  });
  return read && found ? result : Text(def);
}

Text ReadDefinitionSection(TextView section, TextView def, TextView path) {
  Text result;
  bool read = ScanSection(path, section, [&](const Text& line) {
    result += line;
    return true;
  });
  return read ? result : Text(def);
}

// A CR in the section, key or value would end the line early and the value could not be read
// back, so such a write is refused. A key must be non-empty and free of "=" for the same
// reason, and its line must not look like a section header.
std::optional<std::string> SetDefinitionValue(std::string_view bytes, TextView section,
                                              TextView key, TextView value) {
  auto has_cr = [](TextView t) { return t.find(u'\r') != TextView::npos; };
  if (key.empty() || key.find(u'=') != TextView::npos || has_cr(section) || has_cr(key) ||
      has_cr(value))
    return std::nullopt;
  const Text key_line = Text(key) + u"=" + Text(value);
  if (IsHeader(TrimSpaces(key_line))) return std::nullopt;
  const std::string new_line = EncodeCp932(key_line) + "\r\n";

  std::vector<RawLine> lines = SplitLines(bytes);

  // Find the first section of the name, the first key line in it, and the last non-empty
  // line of its body (new keys go after it, before any blank lines that separate sections).
  long header = -1, key_at = -1, last_body = -1;
  for (size_t k = 0; k < lines.size(); ++k) {
    Text trimmed = TrimSpaces(DecodeCp932(lines[k].content));
    if (header < 0) {
      if (IsWantedHeader(trimmed, section)) header = static_cast<long>(k), last_body = header;
      continue;
    }
    if (IsHeader(trimmed)) break;
    if (!lines[k].content.empty()) last_body = static_cast<long>(k);
    if (IsKeyLine(DecodeCp932(lines[k].content), key)) {
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
  return out;
}

bool WriteDefinitionValues(TextView section, const std::vector<std::pair<Text, Text>>& pairs,
                           TextView path) {
  std::string bytes;
  if (FileExists(path)) {
    std::optional<std::string> old = ReadFileBytes(path);
    if (!old) return false;  // never replace a file we could not read
    bytes = std::move(*old);
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
