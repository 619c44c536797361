// The shipped definitions, end to end: pages of the board's layout through the whole per-message
// pipeline into each shipped output type.
#include <gtest/gtest.h>

#include "app/main_form.h"
#include "engine/decode.h"
#include "engine/pipeline.h"
#include "engine_fixture.h"
#include "support/board_pages.h"
#include "support/fake_clock.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using namespace pellucor::testing;

const Text kDefs = FromUtf8(PELLUCOR_SOURCE_DIR "/defs/");

BoardDefinition ShippedBoard() {
  ScriptedUi ui;
  BoardEntry e;
  e.file = u"_yahoo.bbs";
  auto def = LoadBoardDefinition(e, kDefs, ui);
  EXPECT_TRUE(def) << (ui.messages.empty() ? "" : ToUtf8(ui.messages[0].text));
  return def.value_or(BoardDefinition{});
}

TEST(ShippedBoard, ExtractsEveryItemInEveryEncoding) {
  BoardDefinition def = ShippedBoard();
  ASSERT_EQ(def.items.size(), 7u);
  EXPECT_EQ(def.charchange, 0);
  EXPECT_EQ(def.title_item, 0);
  EXPECT_EQ(def.subject_item, 1);
  EXPECT_EQ(def.body_item, 2);
  EXPECT_EQ(def.date_item, 3);
  EXPECT_EQ(def.maxmsg_item, 4);
  EXPECT_EQ(def.items[5].name, u"投稿者");
  EXPECT_EQ(def.items[6].name, u"返信先");

  for (auto enc : {Encoding::EucJp, Encoding::Iso2022Jp, Encoding::ShiftJis}) {
    BoardMessage m = SampleMessage(42, 120);
    m.body += u"\n<a href=\"http://x/\">リンク</a>＆";
    // The wave dash of code page 932 has no ISO-2022-JP form.
    if (enc != Encoding::Iso2022Jp) m.author += u"～";
    std::string bytes = EncodePage(MakeBoardPage(m), enc);
    Text page = PreparePage(DecodePage(bytes, CharchangeFor(enc)), def);
    std::vector<Text> v = ExtractItems(page, def);
    ASSERT_EQ(v.size(), 7u);
    EXPECT_EQ(v[0], m.topic_title);
    EXPECT_EQ(v[1], m.subject);
    EXPECT_EQ(v[2], ExtractedBody(m.body));
    EXPECT_EQ(v[3], m.date);
    EXPECT_EQ(v[4], u"120");
    EXPECT_EQ(v[5], m.author);
    EXPECT_EQ(v[6], m.reply_to);
  }

  // The first message answers nothing: only its reply-to is empty.
  std::string first = EncodePage(MakeBoardPage(SampleMessage(1)), Encoding::EucJp);
  std::vector<Text> v = ExtractItems(PreparePage(DecodePage(first, 0), def), def);
  EXPECT_EQ(v[6], u"");
  EXPECT_FALSE(AllItemsEmpty(v));
  EXPECT_TRUE(AllItemsEmpty(ExtractItems(u"<html>404 Not Found</html>", def)));
}

// Tags of an HTML text in document order must nest: every element that is not void is closed
// by its own end tag. Returns "" or the first fault.
std::string CheckHtmlNesting(const Text& html) {
  static const std::vector<Text> kVoid = {u"br", u"hr", u"meta", u"img", u"input", u"link"};
  std::vector<Text> open;
  size_t i = 0;
  while ((i = html.find(u'<', i)) != Text::npos) {
    if (html.compare(i, 4, u"<!--") == 0) {
      size_t e = html.find(u"-->", i);
      if (e == Text::npos) return "unclosed comment";
      i = e + 3;
      continue;
    }
    size_t e = html.find(u'>', i);
    if (e == Text::npos) return "unclosed tag";
    Text tag = html.substr(i + 1, e - i - 1);
    bool closing = !tag.empty() && tag[0] == u'/';
    if (closing) tag.erase(0, 1);
    Text name = UpperCase(tag.substr(0, tag.find_first_of(u" \t\r\n/")));
    for (auto& c : name) c = static_cast<char16_t>(c >= u'A' && c <= u'Z' ? c + 32 : c);
    bool is_void = std::find(kVoid.begin(), kVoid.end(), name) != kVoid.end();
    if (closing) {
      if (open.empty() || open.back() != name) return "unmatched </" + ToUtf8(name) + ">";
      open.pop_back();
    } else if (!is_void) {
      open.push_back(name);
    }
    i = e + 1;
  }
  return open.empty() ? "" : "unclosed <" + ToUtf8(open.back()) + ">";
}

class ShippedOutput : public ScratchDir {
 protected:
  // Collects messages 1..3 with the shipped board and the given output type; the output text.
  Text Collect(const Text& out_file, int runs = 1) {
    ScriptedUi ui;
    DefinitionCatalog catalog;
    catalog.boards = {
        BoardEntry{u"_yahoo.bbs", u"EUC-JP掲示板", u"http://localhost/board/", u"", u"mid", u"1"}};
    OutputCatalog oc = RefreshOutputCatalog(kDefs, Path(u"none.ini"));
    for (auto& e : oc.entries)
      if (e.file == out_file) catalog.outputs = {e};
    EXPECT_EQ(catalog.outputs.size(), 1u);
    form_.Combo_bbs().SetIndex(0);
    form_.Combo_out().SetIndex(0);
    form_.Text_url1().SetValue(u"http://localhost/board/message?mid=");
    form_.Text_out().SetValue(Path(u"out.") + catalog.outputs[0].mark);
    form_.Check_CreateTitleIndex().SetValue(1);
    FakeClock clock;
    RecordingShell shell;
    RecordingHooks hooks;
    RunEnv env{form_, ui, clock, shell, hooks, catalog, kDefs, u"1.00"};
    auto output = LoadOutputType(catalog.outputs[0], kDefs, ui);
    EXPECT_TRUE(output);
    int n = 1;
    for (int r = 0; r < runs; ++r) {
      RunState st;
      st.board = ShippedBoard();
      st.output = *output;
      st.first_number = st.current_number = n;
      for (int k = 0; k < 3; ++k, ++n) {
        BoardMessage m = SampleMessage(n, 6);
        m.body += u"\n<a href=\"message?mid=1\">最初</a>へ";
        std::string bytes = EncodePage(MakeBoardPage(m), Encoding::EucJp);
        st.values =
            ExtractItems(PreparePage(DecodePage(bytes, st.board.charchange), st.board), st.board);
        CleanUpItems(st.values, st.board, st.output.special, st.topic_title);
        EXPECT_EQ(OutputMessage(env, st), Step::Continue);
      }
      ui.answers = {Answer::No};
      EndRun(env, st);
    }
    return DecodeCp932(Bytes(u"out." + catalog.outputs[0].mark));
  }
  MemoryForm form_;
};

TEST_F(ShippedOutput, CatalogueNamesAreJapanese) {
  OutputCatalog oc = RefreshOutputCatalog(kDefs, Path(u"none.ini"));
  EXPECT_EQ(oc.names, (std::vector<Text>{u"HTML形式", u"2ちゃんねるDAT形式", u"テキスト形式"}));
  EXPECT_EQ(oc.selected, 0);
  BoardCatalog bc = RefreshBoardCatalog(kDefs, Path(u"none.ini"));
  ASSERT_EQ(bc.entries.size(), 1u);
  EXPECT_EQ(bc.entries[bc.selected].file, u"_yahoo.bbs");
  EXPECT_EQ(bc.entries[0].msgstr, u"mid");
}

TEST_F(ShippedOutput, HtmlIsWellFormed) {
  Text html = Collect(u"_html.out", 2);
  EXPECT_EQ(CheckHtmlNesting(html), "") << ToUtf8(html);
  EXPECT_EQ(html.find(u"<@"), Text::npos);
  EXPECT_NE(html.find(u"<title>テスト用トピック</title>"), Text::npos);
  EXPECT_NE(html.find(u"<a name=\"m6\">6</a> <b>Re: 第6回の話題</b>"), Text::npos);
  EXPECT_NE(html.find(u"\r\n</html>\r\n"), Text::npos);
  // Line breaks come from the macros only: every one is CR LF.
  for (size_t i = 0; i < html.size(); ++i)
    if (html[i] == u'\n') {
      ASSERT_TRUE(i > 0 && html[i - 1] == u'\r');
    }
  Text index = DecodeCp932(Bytes(u"out_idx.html"));
  EXPECT_NE(index.find(u"<a href=\"out.html#m1\" target=\"main\">1 Re: 第1回の話題</a><br>\r\n"),
            Text::npos);
}

TEST_F(ShippedOutput, PlainTextRemovesLinks) {
  Text text = Collect(u"text.out");
  EXPECT_EQ(text.find(u"<a "), Text::npos);
  EXPECT_EQ(text.find(u"<@"), Text::npos);
  EXPECT_EQ(text.substr(0, 10), u"テスト用トピック\r\n");
  EXPECT_NE(
      text.find(u"No.2　Re: 第2回の話題\r\n投稿者：投稿者3　日時：2001/05/13 10:07　返信先：1\r\n"),
      Text::npos)
      << ToUtf8(text);
  EXPECT_NE(text.find(u"三行目<br>最初へ\r\n"), Text::npos);
}

TEST_F(ShippedOutput, DatHasOneLinePerMessage) {
  Text dat = Collect(u"dat_2ch.out", 2);
  std::vector<Text> lines;
  for (size_t s = 0, e; (e = dat.find(u"\r\n", s)) != Text::npos; s = e + 2)
    lines.push_back(dat.substr(s, e - s));
  ASSERT_EQ(lines.size(), 6u) << ToUtf8(dat);
  EXPECT_EQ(dat.size(), dat.rfind(u"\r\n") + 2);  // no footer slot, no padding
  for (const Text& l : lines) {
    size_t fields = 1;
    for (size_t p = 0; (p = l.find(u"<>", p)) != Text::npos; p += 2) ++fields;
    EXPECT_EQ(fields, 5u) << ToUtf8(l);
  }
  EXPECT_EQ(lines[0].substr(0, 30), u"投稿者2<><>2001/05/12(土) 09:00<> ");
  EXPECT_TRUE(lines[0].ends_with(u" <>テスト用トピック"));
}

}  // namespace
}  // namespace pellucor
