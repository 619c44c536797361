#include "engine/footer_slot.h"

namespace pellucor {
namespace {

// Stand-ins for what a later run cannot know; private-use characters never come from a page.
constexpr char16_t kAnyValue = u'\uE000';
constexpr char16_t kAnyVersion = u'\uE001';

// A pattern that is mostly wildcards would match the end of almost any file.
constexpr size_t kMinLiteralBytes = 8;

bool AllSpaces(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

}  // namespace

std::string FooterSlotBytes(TextView footer) {
  size_t bytes = 0, chars = 0;
  for (; chars < footer.size(); ++chars) {
    size_t w = static_cast<size_t>(Cp932Width(footer[chars]));
    if (bytes + w > kFooterSlotBytes) break;
    bytes += w;
  }
  std::string slot = EncodeCp932(footer.substr(0, chars));
  if (slot.size() > kFooterSlotBytes) slot.resize(kFooterSlotBytes);
  slot.append(kFooterSlotBytes - slot.size(), ' ');
  return slot;
}

FooterPattern::FooterPattern(TextView html3, const std::vector<ItemRule>& items,
                             const std::vector<ChangeWord>& changewords, MacroContext ctx,
                             TextView path) {
  std::vector<Text> values(items.size(), Text(1, kAnyValue));
  ctx.version = Text(1, kAnyVersion);
  Text footer = ExpandTemplate(html3, values, items, changewords, ctx, MessageNumber{0, 0}, path);
  Text literal;
  size_t literal_bytes = 0;
  bool wild = false;
  auto flush = [&] {
    if (literal.empty()) return;
    tokens_.push_back({Kind::Literal, EncodeCp932(literal)});
    for (char16_t c : literal) literal_bytes += c == u' ' ? 0 : 1;
    literal.clear();
  };
  for (char16_t c : footer) {
    if (c == kAnyValue || c == kAnyVersion) {
      flush();
      wild = wild || c == kAnyValue;
      if (tokens_.empty() || tokens_.back().kind != Kind::Any)
        tokens_.push_back({c == kAnyValue ? Kind::Any : Kind::Version, {}});
    } else {
      literal.push_back(c);
    }
  }
  flush();
  usable_ = !wild || literal_bytes >= kMinLiteralBytes;
}

bool FooterPattern::Matches(std::string_view slot) const {
  if (!usable_ || slot.size() != kFooterSlotBytes) return false;
  std::vector<signed char> memo((tokens_.size() + 1) * (slot.size() + 1), -1);
  return Match(0, 0, slot, memo);
}

// Token `token` onwards against slot[at..]. The slot may end inside the footer (a footer longer
// than the slot is cut, at most one space standing for a cut double-byte character), or the
// footer may end before the slot (the rest is padding).
bool FooterPattern::Match(size_t token, size_t at, std::string_view slot,
                          std::vector<signed char>& memo) const {
  signed char& m = memo[token * (slot.size() + 1) + at];
  if (m >= 0) return m != 0;
  const std::string_view rest = slot.substr(at);
  bool ok = false;
  if (token == tokens_.size()) {
    ok = AllSpaces(rest);
  } else if (rest.empty() || rest == " ") {
    ok = true;  // cut here
  } else {
    const Token& t = tokens_[token];
    switch (t.kind) {
      case Kind::Literal: {
        size_t n = std::min(t.bytes.size(), rest.size());
        if (rest.compare(0, n, t.bytes, 0, n) == 0) {
          ok = n == t.bytes.size() ? Match(token + 1, at + n, slot, memo) : true;
        } else if (rest.size() < t.bytes.size() && rest.back() == ' ') {
          // Cut before a double-byte character that did not fit.
          ok = rest.compare(0, rest.size() - 1, t.bytes, 0, rest.size() - 1) == 0;
        }
        break;
      }
      case Kind::Any:
        for (size_t end = at; end <= slot.size() && !ok; ++end)
          ok = Match(token + 1, end, slot, memo);
        break;
      case Kind::Version:
        for (size_t end = at; end < slot.size(); ++end) {
          char c = slot[end];
          if (!((c >= '0' && c <= '9') || c == '.')) break;
          if (Match(token + 1, end + 1, slot, memo)) {
            ok = true;
            break;
          }
        }
        break;
    }
  }
  m = ok ? 1 : 0;
  return ok;
}

}  // namespace pellucor
