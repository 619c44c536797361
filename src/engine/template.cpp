#include "engine/template.h"

#include <cmath>
#include <deque>
#include <exception>
#include <new>
#include <stdexcept>
#include <vector>

#include "common/numeric.h"
#include "common/search.h"

namespace pellucor {

Text FormatMessageNumber(double number, int digits) {
  if (!std::isfinite(number) || std::fabs(number) >= 1e18 || number != std::floor(number))
    return FormatNumber(number);
  long long v = static_cast<long long>(number);
  std::string s = std::to_string(v < 0 ? -v : v);
  if (static_cast<int>(s.size()) < digits) s.insert(0, digits - s.size(), '0');
  if (v < 0) s.insert(0, 1, '-');
  return Text(s.begin(), s.end());
}

Text RemoveUnresolvedMacros(TextView text) {
  Text out;
  out.reserve(text.size());
  size_t i = 0;
  for (;;) {
    size_t s = FindText(text, u"<@", i);
    if (s == TextView::npos) break;
    size_t e = FindText(text, u">", s);
    if (e == TextView::npos) break;
    out.append(text.substr(i, s - i));
    i = e + 1;
  }
  out.append(text.substr(i));
  return out;
}

Text PercentEncode(TextView text) {
  // One pass gives the same result as the twelve replacements in order: "%" goes first and
  // the codes written later hold no character that is encoded after them.
  Text out;
  out.reserve(text.size());
  for (char16_t c : text) {
    const char16_t* code = nullptr;
    switch (c) {
      case u'%':
        code = u"%25";
        break;
      case u' ':
        code = u"%20";
        break;
      case u'!':
        code = u"%21";
        break;
      case u'#':
        code = u"%23";
        break;
      case u'$':
        code = u"%24";
        break;
      case u'&':
        code = u"%26";
        break;
      case u'\'':
        code = u"%27";
        break;
      case u'(':
        code = u"%28";
        break;
      case u')':
        code = u"%29";
        break;
      case u'+':
        code = u"%2b";
        break;
      case u';':
        code = u"%3b";
        break;
      case u'=':
        code = u"%3d";
        break;
      default:
        break;
    }
    if (code)
      out += code;
    else
      out += c;
  }
  return out;
}

namespace {

// ReplaceAll in place of `t`: the text before the first occurrence is not searched twice, and
// nothing is copied when the macro is absent (the common case).
void Replace(Text& t, TextView find, TextView with) {
  if (find.empty()) return;
  size_t p = FindText(t, find);
  if (p == Text::npos) return;
  Text out;
  out.reserve(t.size() + with.size());
  size_t from = 0;
  do {
    out.append(t, from, p - from);
    out.append(with);
    from = p + find.size();
    p = FindText(t, find, from);
  } while (p != Text::npos);
  out.append(t, from);
  t = std::move(out);
}

// Whether `value` may hold `find` when letter case is ignored: its first character, in any
// case, must occur. Saves the upper-cased copies of long values that cannot match.
bool MayContainIgnoringCase(const Text& value, const Text& find) {
  const char16_t c = find[0];
  char16_t forms[3] = {c, c, c};
  if (c >= u'a' && c <= u'z') forms[1] = static_cast<char16_t>(c - 32);
  if (c >= u'A' && c <= u'Z') forms[1] = static_cast<char16_t>(c + 32);
  if (c >= u'ａ' && c <= u'ｚ') forms[1] = static_cast<char16_t>(c - 32);
  if (c >= u'Ａ' && c <= u'Ｚ') forms[1] = static_cast<char16_t>(c + 32);
  return FindText(value, TextView(forms, 1)) != Text::npos ||
         (forms[1] != c && FindText(value, TextView(forms + 1, 1)) != Text::npos);
}

// The item step: each item's macro is replaced in the template's own text only. A value goes
// in as text: a macro inside it, or one that it forms with its neighbours, is never expanded
// or removed by a later step. An empty value adds nothing, so the text around it stays one.
class ItemSubstitution {
 public:
  explicit ItemSubstitution(Text t) { pieces_.push_back({std::move(t), nullptr}); }

  // `value` is not copied: it must outlive Result(). A value made for the call goes in
  // through the other form.
  void Replace(TextView find, const Text& value) {
    if (find.empty()) return;
    std::vector<Piece> out;
    out.reserve(pieces_.size());
    for (Piece& piece : pieces_) {
      size_t p = piece.value ? Text::npos : FindText(piece.text, find);
      if (p == Text::npos) {
        Put(out, std::move(piece));
        continue;
      }
      size_t from = 0;
      do {
        Put(out, {piece.text.substr(from, p - from), nullptr});
        if (!value.empty()) out.push_back({Text(), &value});
        from = p + find.size();
        p = FindText(piece.text, find, from);
      } while (p != Text::npos);
      Put(out, {piece.text.substr(from), nullptr});
    }
    pieces_ = std::move(out);
  }
  void Replace(TextView find, Text&& made) { Replace(find, made_.emplace_back(std::move(made))); }

  // Unresolved macros go from the template's text; values stay as they are.
  Text Result() {
    if (pieces_.size() == 1) {
      Text t = pieces_[0].value ? *pieces_[0].value : std::move(pieces_[0].text);
      return FindText(t, u"<@") == Text::npos ? t : RemoveUnresolvedMacros(t);
    }
    for (Piece& piece : pieces_)
      if (!piece.value && FindText(piece.text, u"<@") != Text::npos)
        piece.text = RemoveUnresolvedMacros(piece.text);
    size_t size = 0;
    for (const Piece& piece : pieces_)
      size += piece.value ? piece.value->size() : piece.text.size();
    Text out;
    out.reserve(size);  // the long values are copied once
    for (const Piece& piece : pieces_) out += piece.value ? *piece.value : piece.text;
    return out;
  }

 private:
  struct Piece {
    Text text;          // of the template
    const Text* value;  // or an item's value
  };
  static void Put(std::vector<Piece>& out, Piece piece) {
    if (!piece.value && !out.empty() && !out.back().value)
      out.back().text += piece.text;
    else
      out.push_back(std::move(piece));
  }
  std::vector<Piece> pieces_;
  std::deque<Text> made_;  // values made for a call; a deque keeps them in place
};

}  // namespace

Text ExpandTemplate(TextView tmpl, std::vector<Text>& values, const std::vector<ItemRule>& items,
                    const std::vector<ChangeWord>& changewords, const MacroContext& ctx,
                    std::optional<MessageNumber> number, std::optional<TextView> output_path) {
  Text t(tmpl);
  try {
    Replace(t, u"<@SYS_URL1>", ctx.url1);
    Replace(t, u"<@SYS_URL2>", ctx.url2);
    Replace(t, u"<@SYS_SITE_URL>", kSiteUrl);
    Replace(t, u"<@SYS_APP_NAME>", kAppName);
    Replace(t, u"<@SYS_APP_VER>", ctx.version);
    if (ctx.board) {
      Replace(t, u"<@SYS_BBS_NAME>", ctx.board->name);
      Replace(t, u"<@SYS_BBS_URL>", ctx.board->url);
      Replace(t, u"<@SYS_BBS_FIRST_MSGNO>", ctx.board->first_msgno);
    }
    Replace(t, u"<@SYS_TAB>", u"\t");
    Replace(t, u"<@SYS_CR>", u"\r");
    Replace(t, u"<@SYS_LF>", u"\n");
    if (output_path) {
      TextView path = *output_path;
      size_t sep = path.rfind(kSep);
      TextView name = sep == TextView::npos ? path : path.substr(sep + 1);
      Replace(t, u"<@SYS_OUT_FILENAME>", PercentEncode(name));
      Replace(t, u"<@SYS_OUT_FILENAME_ORIGIN>", name);
    }
    if (number) Replace(t, u"<@SYS_MSG_NUM>", FormatMessageNumber(number->number, number->digits));

    for (const ChangeWord& cw : changewords) {
      if (cw.bf.empty()) continue;
      for (Text& v : values)
        if (MayContainIgnoringCase(v, cw.bf)) v = ReplaceAll(v, cw.bf, cw.af, true);
    }

    if (number) {
      ItemSubstitution result(std::move(t));
      const size_t n = std::min(items.size(), values.size());
      for (size_t i = 0; i < n; ++i) {
        const ItemRule& item = items[i];
        if (item.attr.empty()) continue;
        if (item.name == u"返信先" && IsNumericText(values[i]))
          result.Replace(item.attr, FormatMessageNumber(NumericValue(values[i]), number->digits));
        else
          result.Replace(item.attr, values[i]);
      }
      return result.Result();
    }
  } catch (const std::bad_alloc&) {
    throw;  // out of memory is an error of the run: never a short or blank message
  } catch (const std::length_error&) {
    throw;
  } catch (const std::exception&) {
    // A failed step leaves the text as far as it got; the unresolved macros still go.
  }
  if (FindText(t, u"<@") == Text::npos) return t;
  return RemoveUnresolvedMacros(t);
}

}  // namespace pellucor
