#include "engine/extract.h"

#include <gtest/gtest.h>

namespace pellucor {
namespace {

ItemRule Rule(Text bf_from, Text af_from, Text cnt = u"1", Text priority = u"0", Text bf_to = u"",
              Text af_to = u"") {
  ItemRule r;
  r.bf_from = std::move(bf_from);
  r.af_from = std::move(af_from);
  r.cnt = std::move(cnt);
  r.priority = std::move(priority);
  r.bf_to = std::move(bf_to);
  r.af_to = std::move(af_to);
  return r;
}

TEST(ExtractItem, AnchorsCountsAndDirections) {
  const Text page = u"abc<td>Name</td>xyz<td>Two</td>";
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>")), u"Name");
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>", u"2")), u"Two");
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>", u"3")), u"");
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>", u"-1")), u"Two");
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>", u"-2")), u"Name");
  // From the end marker: the last <td> before the chosen </td>.
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</td>", u"1", u"1")), u"Name");
  EXPECT_EQ(ExtractItem(u"<td>a<td>b</td>", Rule(u"<td>", u"</td>", u"1", u"1")), u"b");
  EXPECT_EQ(ExtractItem(page, Rule(u"<th>", u"</td>", u"1", u"1")), u"");
  EXPECT_EQ(ExtractItem(page, Rule(u"<td>", u"</tr>")), u"");
  EXPECT_EQ(ExtractItem(u"<td></td>", Rule(u"<td>", u"</td>")), u"");
}

TEST(ExtractItem, Refinements) {
  // bf_to moves the start on; when absent the value starts right after bf_from.
  EXPECT_EQ(ExtractItem(u"<p class=x>v</p>", Rule(u"<p", u"</p>", u"1", u"0", u">")), u"v");
  EXPECT_EQ(ExtractItem(u"<p>v</p>", Rule(u"<p>", u"</p>", u"1", u"0", u"#")), u"v");
  // af_to shortens the end back to its last occurrence inside the value...
  EXPECT_EQ(ExtractItem(u"[a;b;c]", Rule(u"[", u"]", u"1", u"0", u"", u";")), u"a;b");
  // ...but not when it occurs only at the start position.
  EXPECT_EQ(ExtractItem(u"[;abc]", Rule(u"[", u"]", u"1", u"0", u"", u";")), u";abc");
  EXPECT_EQ(ExtractItem(u"x[a;b]", Rule(u"[", u"]", u"1", u"1", u"", u";")), u"a");
  EXPECT_EQ(ExtractItem(u"x[=a]", Rule(u"[", u"]", u"1", u"1", u"=")), u"a");
}

TEST(PreparePage, CutAndWhiteSpace) {
  BoardDefinition d;
  Text page;
  for (int i = 1; i <= 100; ++i) page += static_cast<char16_t>(u'0' + i % 10);
  d.cut_bf = 10;
  d.cut_af = 20;
  EXPECT_EQ(PreparePage(page, d), page.substr(9, 72));  // characters 10 to 81
  d.cut_checkword = u"x";
  EXPECT_EQ(PreparePage(page, d), page);  // the guard is not in the kept part
  d.cut_checkword = u"0123";
  EXPECT_EQ(PreparePage(page, d), page.substr(9, 72));
  d.cut_bf = 0;
  d.cut_af = 1;
  d.cut_checkword.clear();
  EXPECT_EQ(PreparePage(page, d), page);  // af 1 keeps the last character
  d.cut_bf = 60;
  d.cut_af = 40;
  EXPECT_EQ(PreparePage(page, d), page);  // not longer than bf + af
  d.cut_bf = -5;
  d.cut_af = 90;
  EXPECT_EQ(PreparePage(page.substr(0, 10), d), page.substr(0, 10));
  d.cut_bf = 0;
  d.cut_af = -50;  // odd values never reach outside the page
  EXPECT_EQ(PreparePage(page.substr(0, 10), d), page.substr(0, 10));

  BoardDefinition w;
  for (const char16_t* v : {u"0", u"", u"2"}) {
    w.crlftab_neglect = v;
    EXPECT_EQ(PreparePage(u"a\r\nb\tc\u3000", w), u"abc\u3000");
  }
  w.crlftab_neglect = u"1";
  EXPECT_EQ(PreparePage(u"a\r\nb", w), u"a\r\nb");
}

BoardDefinition FourItems() {
  BoardDefinition d;
  for (const char16_t* n : {u"タイトル", u"題名", u"本文", u"投稿年月日"}) {
    ItemRule r;
    r.name = n;
    d.items.push_back(r);
  }
  d.title_item = 0;
  d.subject_item = 1;
  d.body_item = 2;
  d.date_item = 3;
  return d;
}

TEST(CleanUpItems, BoardSwitches) {
  BoardDefinition d = FourItems();
  d.special = u"11";
  Text topic;
  std::vector<Text> v = {u"", u"Hi", u"<b>Hi</b>text", u"x"};
  CleanUpItems(v, d, u"", topic);
  EXPECT_EQ(v[2], u"text");
  EXPECT_EQ(v[0], u"Hi");  // empty title filled from the subject
  EXPECT_EQ(topic, u"Hi");

  v = {u"", u"Hi", u"<B>Hi</B>text", u"x"};
  topic = u" Topic ";
  CleanUpItems(v, d, u"", topic);
  EXPECT_EQ(v[2], u"<B>Hi</B>text");  // only that exact bold form
  EXPECT_EQ(v[0], u" Topic ");        // the topic title comes first
  EXPECT_EQ(topic, u" Topic ");       // and stays once set

  d.special = u"0";
  v = {u"  T  ", u"Hi", u"<b>Hi</b>", u""};
  topic.clear();
  CleanUpItems(v, d, u"", topic);
  EXPECT_EQ(v[2], u"<b>Hi</b>");
  EXPECT_EQ(topic, u"T");
}

TEST(CleanUpItems, DateAndLinks) {
  BoardDefinition d = FourItems();
  Text topic = u"t";
  std::vector<Text> v = {u"", u"", u"a<A HREF=x>link</a>b", u"2001/5/12 13:45"};
  CleanUpItems(v, d, u"11", topic);
  EXPECT_EQ(v[3], u"2001/05/12(土) 13:45");
  EXPECT_EQ(v[2], u"alinkb");

  v = {u"", u"", u"", u"2001/5/12"};
  CleanUpItems(v, d, u"1", topic);
  EXPECT_EQ(v[3], u"2001/05/12(土) 00:00");
  v = {u"", u"", u"", u"later"};
  CleanUpItems(v, d, u"1", topic);
  EXPECT_EQ(v[3], u"0000/00/00(00) later");
  v = {u"", u"", u"<a>x</a>", u"later"};
  CleanUpItems(v, d, u"", topic);
  EXPECT_EQ(v[3], u"later");
  EXPECT_EQ(v[2], u"<a>x</a>");
}

TEST(TextHelpers, StripTagsRemoveLinksWeekdaySubstring) {
  EXPECT_EQ(StripTags(u"<p>a b</p><!-- c -->"), u"ab->");
  EXPECT_EQ(StripTags(u""), u"");
  EXPECT_EQ(StripTags(u"x\u3000<br>\r\ny"), u"x\u3000y");

  EXPECT_EQ(RemoveLinks(u"a<A HREF=x>link</a>b<a>2</A>"), u"alinkb2");
  EXPECT_EQ(RemoveLinks(u"a<a href=x"), u"a<a href=x");           // no ">"
  EXPECT_EQ(RemoveLinks(u"<a>1</a> <a>broken"), u"1 <a>broken");  // no "</A>"
  EXPECT_EQ(RemoveLinks(u"<address>x</address>"), u"<address>x</address>");
  EXPECT_EQ(RemoveLinks(u"<address>x</address><a>y</a>"), u"x</address><a>y");

  EXPECT_EQ(WeekdayName(u"2001/05/13"), u"日");
  EXPECT_EQ(WeekdayName(u"2001/05/12"), u"土");
  EXPECT_EQ(WeekdayName(u"no"), u"\u3000");

  EXPECT_EQ(SubstringByWidth(u"  2001/05/12(土) 13:45 ", 14, 1), u")");
  EXPECT_EQ(SubstringByWidth(u"ab漢c", 3, 1), u"");    // a double-byte character does not fit
  EXPECT_EQ(SubstringByWidth(u"ab漢c", 4, 2), u"漢");  // its second column starts it: taken whole
  EXPECT_EQ(SubstringByWidth(u"ab漢c", 3, 3), u"漢c");
  EXPECT_EQ(SubstringByWidth(u"   ", 1, 1), u"");
}

}  // namespace
}  // namespace pellucor
