// Template expansion on any template, values and change words: no crash, and no complete
// "<@...>" macro survives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "engine/template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  // Fields separated by 0x01: template, then alternating attr/value pairs, then change words.
  std::vector<Text> fields;
  std::string_view in(reinterpret_cast<const char*>(data), size);
  for (;;) {
    size_t p = in.find('\x01');
    fields.push_back(DecodeCp932(in.substr(0, p)));
    if (p == std::string_view::npos || fields.size() > 12) break;
    in.remove_prefix(p + 1);
  }
  std::vector<ItemRule> items;
  std::vector<Text> values;
  std::vector<ChangeWord> words;
  // Each item macro multiplies the text when its attr occurs in the values; short values keep
  // a run fast (the product of the lengths bounds the result).
  if (fields[0].size() > 128) fields[0].resize(128);
  for (size_t i = 1; i < fields.size(); ++i)
    if (fields[i].size() > 8) fields[i].resize(8);
  for (size_t i = 1; i + 1 < fields.size() && i < 7; i += 2) {
    ItemRule r;
    r.name = items.empty() ? u"返信先" : u"x";
    r.attr = fields[i];
    items.push_back(r);
    values.push_back(fields[i + 1]);
  }
  for (size_t i = 7; i + 1 < fields.size(); i += 2) words.push_back({fields[i], fields[i + 1]});

  BoardEntry board{u"b.bbs", u"<@SYS_TAB>", u"u", u"", u"", u"1"};
  MacroContext ctx{u"<@SYS_URL2>", u"<@", &board, u"1.00"};
  Text out = ExpandTemplate(fields[0], values, items, words, ctx,
                            MessageNumber{static_cast<double>(size), static_cast<int>(size % 21)},
                            Text(u"/a b/c&d.html"));
  // A "<@" left behind has no ">" after it.
  size_t at = out.find(u"<@");
  if (at != Text::npos && out.find(u'>', at) != Text::npos) std::abort();
  if (RemoveUnresolvedMacros(out) != out) std::abort();
  PercentEncode(fields[0]);
  return 0;
}
