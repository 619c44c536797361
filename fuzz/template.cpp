// Template expansion on any template, values and change words: no crash, and removing
// unresolved macros never adds anything.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "engine/template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  // Fields separated by 0x01: template, two attr/value pairs, one change word (bf, af).
  std::vector<Text> fields;
  std::string_view in(reinterpret_cast<const char*>(data), size);
  for (;;) {
    size_t p = in.find('\x01');
    fields.push_back(DecodeCp932(in.substr(0, p)));
    if (p == std::string_view::npos || fields.size() > 6) break;
    in.remove_prefix(p + 1);
  }
  std::vector<ItemRule> items;
  std::vector<Text> values;
  std::vector<ChangeWord> words;
  // Each item macro multiplies the text when its attr occurs in the values, and a change word
  // whose replacement holds its own text multiplies a value: two items, one change word and
  // short fields keep the product small (128 * 64 * 64 characters at most).
  if (fields[0].size() > 128) fields[0].resize(128);
  for (size_t i = 1; i < fields.size(); ++i)
    if (fields[i].size() > 8) fields[i].resize(8);
  for (size_t i = 1; i + 1 < fields.size() && i < 5; i += 2) {
    ItemRule r;
    r.name = items.empty() ? u"返信先" : u"x";
    r.attr = fields[i];
    items.push_back(r);
    values.push_back(fields[i + 1]);
  }
  if (fields.size() == 7) words.push_back({fields[5], fields[6]});

  BoardEntry board{u"b.bbs", u"<@SYS_TAB>", u"u", u"", u"", u"1"};
  MacroContext ctx{u"<@SYS_URL2>", u"<@", &board, u"1.00"};
  Text out = ExpandTemplate(fields[0], values, items, words, ctx,
                            MessageNumber{static_cast<double>(size), static_cast<int>(size % 21)},
                            Text(u"/a b/c&d.html"));
  // Removing macros only ever deletes (a removal may join a new "<@...>", which stays).
  if (RemoveUnresolvedMacros(out).size() > out.size()) std::abort();
  PercentEncode(fields[0]);
  return 0;
}
