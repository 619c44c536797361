#include <gtest/gtest.h>

#include "app/main_form.h"
#include "common/files.h"
#include "engine/pipeline.h"
#include "engine_fixture.h"
#include "support/fake_clock.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using testing::Sjis;

class Writer : public testing::ScratchDir {
 protected:
  void SetUp() override {
    ScratchDir::SetUp();
    catalog_.outputs = {{u"t.out", u"T", u"html"}};
    catalog_.boards = {{u"b.bbs", u"板", u"http://b/", u"", u"mid", u"1"}};
    form_.Combo_out().SetIndex(0);
    form_.Combo_bbs().SetIndex(0);
    form_.Text_out().SetValue(Path(u"out.html"));
    env_ = std::make_unique<RunEnv>(
        RunEnv{form_, ui_, clock_, shell_, hooks_, catalog_, dir_, u"1.00"});
    for (auto [name, attr] : {std::pair{u"題名", u"<@SUB>"}, std::pair{u"投稿年月日", u"<@D>"}}) {
      ItemRule r;
      r.name = name;
      r.attr = attr;
      st_.board.items.push_back(r);
    }
    st_.board.subject_item = 0;
    st_.board.date_item = 1;
    st_.output.html1 = u"H<@SYS_CR><@SYS_LF>";
    st_.output.html2 = u"<@SYS_MSG_NUM>:<@SUB><@SYS_CR><@SYS_LF>";
    st_.output.html3 = u"F<@SYS_MSG_NUM><@SUB>";
    st_.output.html1_idx = u"I";
    st_.output.html2_idx = u"<@SYS_MSG_NUM> <@SUB>";
    StartRun(1);
  }

  // A fresh run from message `first`, keeping the split state as a history record would.
  void StartRun(double first) {
    RunState next;
    next.board = st_.board;
    next.output = st_.output;
    next.split_key = st_.split_key;
    next.file_message_count = st_.file_message_count;
    next.topic_title = st_.topic_title;
    next.first_number = next.current_number = first;
    next.open_while_collecting = form_.Check_Read().Value() != 0;
    st_ = next;
  }

  Step Message(const Text& subject, const Text& date = u"2001/01/15 10:00") {
    st_.values = {subject, date};
    return OutputMessage(*env_, st_);
  }

  void Split(int kind, const char16_t* count = u"1000") {
    form_.Check_devide().SetValue(1);
    form_.Option_devidekind().SetIndex(kind);
    form_.Text_devidecnt().SetValue(count);
  }

  static std::string Slot(const std::string& footer) {
    return footer + std::string(200 - footer.size(), ' ');
  }

  MemoryForm form_;
  testing::ScriptedUi ui_;
  testing::FakeClock clock_;
  testing::RecordingShell shell_;
  testing::RecordingHooks hooks_;
  DefinitionCatalog catalog_;
  std::unique_ptr<RunEnv> env_;
  RunState st_;
};

TEST_F(Writer, OneFileAcrossTwoRuns) {
  ASSERT_EQ(Message(u"a"), Step::Continue);
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n");  // no footer while the run goes on
  ASSERT_EQ(Message(u"b"), Step::Continue);
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n2:b\r\n" + Slot("F0b"));
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"update", "show", "save"}));
  EXPECT_EQ(form_.Text_from().Value(), u"3");
  EXPECT_EQ(form_.Text_to().Value(), u"3");
  EXPECT_EQ(form_.Label_status().Value(), u"取得完了");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"処理が完了しました\r\n結果を表示しますか？");
  EXPECT_EQ(ui_.messages[0].buttons, Buttons::YesNo);
  EXPECT_EQ(ui_.messages[0].icon, Icon::Question);
  EXPECT_EQ(ui_.beeps, 1);
  EXPECT_EQ(st_.handled_count, 2);
  EXPECT_EQ(st_.last_handled, 2);

  StartRun(3);
  hooks_.calls.clear();
  ui_.answers = {Answer::No};
  ASSERT_EQ(Message(u"c"), Step::Continue);
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"),
            "H\r\n1:a\r\n2:b\r\n" + std::string(200, ' ') + "3:c\r\n" + Slot("F0c"));
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"update", "save"}));
}

TEST_F(Writer, FooterSlotIsExactly200Bytes) {
  st_.output.html3 = Text(199, u'x') + u"漢字";  // the double-byte character would straddle
  Message(u"a");
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n" + std::string(199, 'x') + " ");

  st_.output.html3 = Text(250, u'y');
  StartRun(2);
  Message(u"b");
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"),
            "H\r\n1:a\r\n" + std::string(200, ' ') + "2:b\r\n" + std::string(200, 'y'));

  st_.output.html3 = u"漢<@SUB>";
  StartRun(3);
  Message(u"ｶ");  // half-width katakana: one byte
  EndRun(*env_, st_);
  std::string tail = Bytes(u"out.html").substr(Bytes(u"out.html").size() - 200);
  EXPECT_EQ(tail, Slot(Sjis(u"漢ｶ")));
}

TEST_F(Writer, ShortExistingFileIsNotOverwritten) {
  WriteBytes(u"out.html", "short");
  Message(u"a");
  EXPECT_EQ(Bytes(u"out.html"), "short1:a\r\n");
  // Without a footer template nothing is blanked either.
  WriteBytes(u"out.html", std::string(300, 'z'));
  st_.output.html3.clear();
  StartRun(5);
  Message(u"b");
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"), std::string(300, 'z') + "5:b\r\n");
}

TEST_F(Writer, BlankMessagesAndTitleIndex) {
  form_.Check_nooutblank().SetValue(1);
  form_.Check_CreateTitleIndex().SetValue(1);
  Message(u"", u"");  // blank: header only
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n");
  EXPECT_FALSE(FileExists(Path(u"out_idx.html")));
  Message(u"b");
  Message(u"c");
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n2:b\r\n3:c\r\n");
  EXPECT_EQ(Bytes(u"out_idx.html"), "I2 b\r\n3 c\r\n");
  EXPECT_EQ(st_.handled_count, 3);
  EXPECT_EQ(st_.current_number, 4);
  EXPECT_EQ(ui_.yields, 3);
}

TEST_F(Writer, OpenWhileCollectingOnce) {
  form_.Check_Read().SetValue(1);
  StartRun(1);
  Message(u"a");
  Message(u"b");
  EXPECT_EQ(shell_.opened, std::vector<Text>{Path(u"out.html")});
  EXPECT_EQ(clock_.sleeps, std::vector<int>{1000});
}

TEST_F(Writer, FileNames) {
  MainForm& f = form_;
  f.Text_out().SetValue(u"/log/topic");
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 7, 0, false), u"/log/topic");
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 7, 0, true), u"/log/topic_idx.html");
  Split(0, u"3");
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 7, 3, false), u"/log/topic_007.html");
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 7, 4, false), u"/log/topic_008.html");
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 1000, 1, true), u"/log/topic_1000_idx.html");
  f.Text_out().SetValue(u"/log/a.b.c.htm");
  f.Option_devidekind().SetIndex(2);
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 12, 99, false), u"/log/a.b.c_0012.htm");
  f.Option_devidekind().SetIndex(1);
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 20013, 0, false), u"/log/a.b.c_20013.htm");
  f.Option_devidekind().SetIndex(-1);
  EXPECT_EQ(BuildOutputFileName(f, catalog_, 1, 0, false), u"");
}

TEST_F(Writer, CountSplitAcrossFiles) {
  Split(0, u"2");
  for (const char16_t* s : {u"a", u"b", u"c"}) ASSERT_EQ(Message(s), Step::Continue);
  EXPECT_EQ(Bytes(u"out_001.html"), "H\r\n1:a\r\n2:b\r\n" + Slot("F0c"));
  EXPECT_EQ(Bytes(u"out_002.html"), "H\r\n3:c\r\n");
  StopRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out_002.html"), "H\r\n3:c\r\n" + Slot("F0c"));
  EXPECT_EQ(form_.Text_from().Value(), u"4");
  EXPECT_EQ(hooks_.calls, (std::vector<std::string>{"update", "save"}));
  EXPECT_EQ(st_.split_key, 2);
  EXPECT_EQ(st_.file_message_count, 1);

  // A continued run fills _002 and moves on to _003.
  StartRun(4);
  Message(u"d");
  Message(u"e");
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out_002.html"),
            "H\r\n3:c\r\n" + std::string(200, ' ') + "4:d\r\n" + Slot("F0e"));
  EXPECT_EQ(Bytes(u"out_003.html"), "H\r\n5:e\r\n" + Slot("F0e"));
}

TEST_F(Writer, CountSplitContinuesFullFileIntoNext) {
  Split(0, u"3");
  st_.split_key = 2;
  st_.file_message_count = 3;
  Message(u"a");
  EXPECT_EQ(Bytes(u"out_003.html"), "H\r\n1:a\r\n");
  EXPECT_EQ(st_.file_message_count, 1);
}

TEST_F(Writer, CountSplitSkipsExistingFilesMidRun) {
  Split(0, u"1");
  WriteBytes(u"out_002.html", "two");
  WriteBytes(u"out_003.html", "three");
  Message(u"a");
  Message(u"b");
  EXPECT_EQ(Bytes(u"out_002.html"), "two");
  EXPECT_EQ(Bytes(u"out_003.html"), "three");
  EXPECT_EQ(Bytes(u"out_001.html"), "H\r\n1:a\r\n" + Slot("F0b"));
  EXPECT_EQ(Bytes(u"out_004.html"), "H\r\n2:b\r\n");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(Writer, CountSplitFirstMessageAsksOnlyWithTitleNaming) {
  Split(0, u"10");
  WriteBytes(u"out_001.html", std::string(200, 'o'));
  Message(u"a");
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(Bytes(u"out_001.html"), std::string(200, ' ') + "1:a\r\n");
}

TEST_F(Writer, DateSplit) {
  Split(1);
  form_.Combo_devidedatekind().SetIndex(0);
  Message(u"a", u"2001/01/15 10:00");
  Message(u"b", u"2001/01/16 10:00");
  Message(u"c", u"0000/00/00(00) later");
  Message(u"d", u"2001/01/15(月) 23:00");  // back to an existing file of the series
  EndRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out_20010116.html"), "H\r\n2:b\r\n" + Slot("F0c"));
  EXPECT_EQ(Bytes(u"out_19700101.html"), "H\r\n3:c\r\n" + Slot("F0d"));
  // The old footer is blanked and the file gets a new one: never a footer mid-file.
  EXPECT_EQ(Bytes(u"out_20010115.html"),
            "H\r\n1:a\r\n" + std::string(200, ' ') + "4:d\r\n" + Slot("F0d"));

  form_.Combo_devidedatekind().SetIndex(1);
  StartRun(5);
  Message(u"e", u"2001/01/15");
  EXPECT_TRUE(FileExists(Path(u"out_20013.html")));
  form_.Combo_devidedatekind().SetIndex(2);
  Message(u"f", u"2001/12/01");
  EXPECT_TRUE(FileExists(Path(u"out_200112.html")));
}

TEST_F(Writer, SizeSplit) {
  Split(2);
  form_.Text_devidefilesize().SetValue(u"1");
  st_.output.html2 = u"<@SUB>";
  st_.output.html1.clear();
  st_.output.html3.clear();
  Message(Text(1000, u'a'));
  Message(Text(24, u'b'));  // the file is 1000 bytes: not above the limit
  EXPECT_EQ(*FileSize(Path(u"out_0001.html")), 1024);
  Message(u"c");  // exactly 1024 bytes still takes one more
  Message(u"d");  // 1025 bytes: the next file
  EXPECT_EQ(*FileSize(Path(u"out_0001.html")), 1025);
  EXPECT_EQ(Bytes(u"out_0002.html"), "d");
}

TEST_F(Writer, TitleNaming) {
  form_.Check_TopicToFilename().SetValue(1);
  st_.topic_title = u"Q&A: why?";
  ASSERT_EQ(Message(u"a"), Step::Continue);
  EXPECT_EQ(form_.Text_out().Value(), Path(u"Q&A： why？.html"));
  EXPECT_EQ(Bytes(u"Q&A： why？.html"), "H\r\n1:a\r\n");

  // The file now exists: the next run asks before appending; No ends it without saving.
  StartRun(2);
  ui_.answers = {Answer::No};
  EXPECT_EQ(Message(u"b"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            u"ファイル（" + Path(u"Q&A： why？.html") +
                u"）が既に存在します\r\nこのファイルにデータを追加しますか？");
  EXPECT_EQ(ui_.messages[0].icon, Icon::Question);
  EXPECT_EQ(ui_.beeps, 1);
  EXPECT_TRUE(hooks_.calls.empty());
  EXPECT_EQ(Bytes(u"Q&A： why？.html"), "H\r\n1:a\r\n");

  // With the count split the question comes from the split step, for the probed file.
  Split(0, u"5");
  st_.topic_title = u"t";
  WriteBytes(u"t_001.html", "x");
  StartRun(2);
  ui_.messages.clear();
  ui_.answers = {Answer::No};
  EXPECT_EQ(Message(u"b"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            u"ファイル（" + Path(u"t_001.html") +
                u"）が既に存在します\r\nこのファイルにデータを追加しますか？");
}

TEST_F(Writer, TitleNamingWithoutTitle) {
  form_.Check_TopicToFilename().SetValue(1);
  EXPECT_EQ(Message(u"a"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            u"タイトルが取得できなかったため、ファイル名を設定できませんでした");
  EXPECT_EQ(ui_.messages[0].icon, Icon::Critical);
  EXPECT_TRUE(hooks_.calls.empty());
  EXPECT_EQ(form_.Text_out().Value(), Path(u"out.html"));
}

TEST_F(Writer, MissingFolderIsCreatedOnYes) {
  form_.Text_out().SetValue(Path(u"sub/out.html"));
  ASSERT_EQ(Message(u"a"), Step::Continue);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text, u"出力先のフォルダが存在しません（" + Path(u"sub") +
                                      u"）\r\n新規にフォルダを作成しますか？");
  EXPECT_EQ(Bytes(u"sub/out.html"), "H\r\n1:a\r\n");
}

TEST_F(Writer, MissingFolderNoAndMissingParent) {
  form_.Text_out().SetValue(Path(u"sub/out.html"));
  ui_.answers = {Answer::No};
  EXPECT_EQ(Message(u"a"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[1].text,
            u"出力ファイル名の設定に誤りがあります\r\n正しい値を設定してください");
  EXPECT_EQ(ui_.messages[1].icon, Icon::Critical);
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
  EXPECT_FALSE(FolderExists(Path(u"sub")));

  ui_.messages.clear();
  hooks_.calls.clear();
  form_.Text_out().SetValue(Path(u"a/b/out.html"));
  EXPECT_EQ(Message(u"a"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].text, u"出力先のフォルダが存在しません（" + Path(u"a/b") +
                                      u"）\r\nこの上のフォルダ（" + Path(u"a") +
                                      u"）も存在しないので\r\n新規フォルダが作成出来ません");
  EXPECT_EQ(ui_.messages[1].text,
            u"出力ファイル名の設定に誤りがあります\r\n正しい値を設定してください");
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
}

TEST_F(Writer, OtherWriteErrorsAskAbortRetryIgnore) {
  ASSERT_TRUE(CreateFolder(Path(u"out.html")));  // a folder where the file should be
  ui_.answers = {Answer::Ignore, Answer::Ignore};
  EXPECT_EQ(Message(u"a"), Step::Continue);
  ASSERT_EQ(ui_.messages.size(), 2u);
  EXPECT_EQ(ui_.messages[0].caption, u"エラー");
  EXPECT_EQ(ui_.messages[0].buttons, Buttons::AbortRetryIgnore);
  EXPECT_EQ(ui_.messages[0].icon, Icon::Critical);
  EXPECT_EQ(st_.current_number, 2);  // Ignore goes on with the next step

  ui_.answers = {Answer::Abort};
  EXPECT_EQ(Message(u"b"), Step::End);
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
}

TEST_F(Writer, StopAndAbort) {
  StopRun(*env_, st_);  // nothing written yet
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
  EXPECT_FALSE(FileExists(Path(u"out.html")));
  EXPECT_EQ(form_.Text_from().Value(), u"");

  hooks_.calls.clear();
  Message(u"a");
  AbortRun(*env_, st_);
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n" + Slot("F0a"));
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
  AbortRun(*env_, st_);  // the footer is written once only
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n" + Slot("F0a"));
}

TEST_F(Writer, AbortWhileBeginningTheNextFileKeepsOneFooter) {
  Split(0, u"1");
  ASSERT_TRUE(CreateFolder(Path(u"out_002.html")));  // the next file cannot be written
  Message(u"a");
  ui_.answers = {Answer::Abort};
  EXPECT_EQ(Message(u"b"), Step::End);
  EXPECT_EQ(Bytes(u"out_001.html"), "H\r\n1:a\r\n" + Slot("F0b"));
  EXPECT_EQ(hooks_.calls, std::vector<std::string>{"save"});
}

}  // namespace
}  // namespace pellucor
