// Extraction on any page bytes with any item rule: no crash, a value is always a piece of the
// prepared page, and link removal agrees with its round-by-round form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/text.h"
#include "engine/decode.h"
#include "engine/extract.h"

namespace {

// Fields of the input, separated by 0x01 bytes: bf_from, bf_to, af_from, af_to, cnt, then the
// page. The first byte picks the encoding, the direction and the clean-up switches.
std::vector<std::string_view> Fields(std::string_view in, size_t n) {
  std::vector<std::string_view> out;
  while (out.size() + 1 < n) {
    size_t p = in.find('\x01');
    if (p == std::string_view::npos) break;
    out.push_back(in.substr(0, p));
    in.remove_prefix(p + 1);
  }
  while (out.size() + 1 < n) out.push_back({});
  out.push_back(in);
  return out;
}

// RemoveLinks as the rule reads it, round after round from the first link start (quadratic:
// only for inputs of the size the fuzzer makes).
pellucor::Text RoundByRoundRemoveLinks(pellucor::Text t) {
  for (;;) {
    const pellucor::Text up = pellucor::UpperCase(t);
    const size_t a = up.find(u"<A"), b = up.find(u'>', a), c = up.find(u"</A>", b);
    if (a == pellucor::Text::npos || b == pellucor::Text::npos || c == pellucor::Text::npos)
      return t;
    t = t.substr(0, a) + t.substr(b + 1, c - b - 1) + t.substr(c + 4);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  if (size < 3) return 0;
  const uint8_t flags = data[0];
  const int8_t cut_bf = static_cast<int8_t>(data[1]);
  const int8_t cut_af = static_cast<int8_t>(data[2]);
  auto f = Fields(std::string_view(reinterpret_cast<const char*>(data) + 3, size - 3), 6);

  BoardDefinition def;
  def.charchange = flags % 3;
  def.crlftab_neglect = (flags & 4) ? u"1" : u"0";
  def.special = (flags & 8) ? u"11" : u"";
  def.cut_bf = cut_bf;
  def.cut_af = cut_af;
  ItemRule rule;
  rule.bf_from = DecodeCp932(f[0]);
  rule.bf_to = DecodeCp932(f[1]);
  rule.af_from = DecodeCp932(f[2]);
  rule.af_to = DecodeCp932(f[3]);
  rule.cnt = DecodeCp932(f[4]);
  rule.priority = (flags & 16) ? u"1" : u"0";
  for (const char16_t* name : {u"タイトル", u"題名", u"本文", u"投稿年月日"}) {
    rule.name = name;
    def.items.push_back(rule);
  }
  def.title_item = 0;
  def.subject_item = 1;
  def.body_item = 2;
  def.date_item = 3;

  Text page = PreparePage(DecodePage(f[5], def.charchange), def);
  Text value = ExtractItem(page, rule);
  if (!value.empty() && page.find(value) == Text::npos) std::abort();
  std::vector<Text> values = ExtractItems(page, def);
  Text topic;
  CleanUpItems(values, def, (flags & 32) ? u"11" : u"", topic);
  StripTags(page);
  const Text unlinked = RemoveLinks(page);
  if (unlinked.size() > page.size()) std::abort();
  if (page.size() <= 4096 && unlinked != RoundByRoundRemoveLinks(page)) std::abort();
  SubstringByWidth(page, cut_bf, cut_af);
  return 0;
}
