#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/run_command.h"
#include "app/run_dialogs.h"
#include "common/files.h"
#include "engine/pipeline.h"
#include "engine_fixture.h"
#include "support/fake_clock.h"
#include "support/recording_shell.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

using namespace std::string_literals;
using Calls = std::vector<std::string>;
using Texts = std::vector<std::string>;

const std::string kBlank(200, ' ');  // a blanked footer slot

std::string Slot(const std::string& footer) {
  return footer + std::string(200 - footer.size(), ' ');
}

// The fixture's footer after the message with subject `subject`.
std::string Foot(const std::string& subject) {
  return Slot("end of file 0 " + subject);
}

class Writer : public testing::ScratchDir {
 protected:
  void SetUp() override {
    catalog_.outputs = {{u"t.out", u"T", u"html"}};
    form_.Combo_out().SetIndex(0);
    form_.Text_out().SetValue(Path(u"out.html"));
    st_.board.items.resize(2);
    st_.board.items[0].attr = u"<@SUB>";
    st_.board.date_item = 1;
    st_.output.html1 = u"H<@SYS_CR><@SYS_LF>";
    st_.output.html2 = u"<@SYS_MSG_NUM>:<@SUB><@SYS_CR><@SYS_LF>";
    st_.output.html3 = u"end of file <@SYS_MSG_NUM> <@SUB>";
    st_.output.html1_idx = u"I";
    st_.output.html2_idx = u"<@SYS_MSG_NUM> <@SUB>";
    StartRun(1);
  }
  // A fresh run from message `first`, keeping the split state as a history record would.
  void StartRun(double first) {
    RunState next;
    std::tie(next.board, next.output, next.split_key, next.file_message_count, next.topic_title) =
        std::tie(st_.board, st_.output, st_.split_key, st_.file_message_count, st_.topic_title);
    next.first_number = next.current_number = first;
    next.open_while_collecting = form_.Check_Read().Value() != 0;
    st_ = next;
  }
  Step Message(const Text& subject, const Text& date = u"2001/01/15 10:00") {
    st_.values = {subject, date};
    return OutputMessage(Env(), st_);
  }
  // A run of messages with these subjects from `first` (0: go on with the current run).
  void Run(double first, std::initializer_list<const char16_t*> subjects, bool end = true) {
    if (first) StartRun(first);
    for (const char16_t* s : subjects) EXPECT_EQ(Message(s), Step::Continue) << ToUtf8(s);
    if (end) EndRun(Env(), st_);
  }
  void Split(int kind, const char16_t* count = u"1000") {
    form_.Check_devide().SetValue(1);
    form_.Option_devidekind().SetIndex(kind);
    form_.Text_devidecnt().SetValue(count);
  }
  MemoryForm form_;
  testing::ScriptedUi ui_;
  testing::FakeClock clock_;
  testing::RecordingShell shell_;
  testing::RecordingHooks hooks_;
  DefinitionCatalog catalog_;
  // The job as the window holds it now; the run writes its changes back into the window.
  RunEnv& Env() {
    job_ = JobOf(RequestOf(form_), catalog_);
    return env_;
  }
  Text Name(int32_t split_key, int32_t count, bool index) {
    return BuildOutputFileName(JobOf(RequestOf(form_), catalog_), split_key, count, index);
  }
  RunDialogs dialogs_{ui_, form_};
  Job job_;
  RunEnv env_{job_, dialogs_, clock_, shell_, hooks_, dir_, u"1.00"};
  RunState st_;
};

// The completion dialogue, the range moved on and the history record are checked with the
// fetch loop; here the bytes and the order of the hooks.
TEST_F(Writer, OneFileAcrossTwoRuns) {
  Run(0, {u"a"}, false);
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n");  // no footer while the run goes on
  Run(0, {u"b"});
  // The next run blanks the old footer slot, appends and closes with a new footer.
  ui_.answers = {Answer::No};
  Run(3, {u"c"});
  EXPECT_EQ(std::pair(Bytes(u"out.html"), hooks_.calls),
            std::pair("H\r\n1:a\r\n2:b\r\n" + kBlank + "3:c\r\n" + Foot("c"),
                      Calls{"update", "show", "save", "update", "save"}));
}

// Appending to an existing file blanks its last 200 bytes only when they are a footer slot this
// program wrote (also by another version); any other file is continued after its end.
TEST_F(Writer, AppendBlanksOnlyAFooterSlotOfOurs) {
  const Text footer = u"end of file <@SYS_MSG_NUM> <@SUB>", e200(200, u'e');
  const std::string exact(200, 'e');  // a footer of exactly 200 bytes: no padding
  // The footer template, the file before the run, and whether its last 200 bytes are blanked.
  // clang-format off
  const std::tuple<const char*, Text, std::string, bool> cases[] = {
      {"a value longer than the slot", footer, "H\r\nend of file 0 " + std::string(186, 'v'), true},
      {"another version", u"<p><@SYS_APP_NAME> <@SYS_APP_VER></p><@SYS_CR><@SYS_LF>",
       "H\r\n" + Slot("<p>Pellucor 0.97</p>\r\n"), true},
      {"exactly 200 bytes", e200, "H\r\n" + exact, true},
      {"trimmed by a byte", e200, "H\r\n" + exact.substr(1), false},
      {"a killed run's file", footer, "H\r\n1:a\r\n" + std::string(300, 'm') + "\r\n", false},
      {"a foreign file", footer, std::string(300, 'z'), false},
      {"a file too short for a slot", footer, "short", false},
      {"no footer template", u"", std::string(300, 'z'), false},
      {"a footer of values only", u"<@SUB>", "H\r\n" + Slot("a"), false},
  };
  // clang-format on
  for (const auto& [name, html3, before, blanked] : cases) {
    SCOPED_TRACE(name);
    folder_.Write(u"out.html", before);
    st_.output.html3 = html3;
    Run(2, {u"b"});
    const std::string kept = blanked ? before.substr(0, before.size() - 200) + kBlank : before;
    EXPECT_EQ(Bytes(u"out.html").substr(0, kept.size() + 5), kept + "2:b\r\n");
  }
}

TEST_F(Writer, FooterIsCutToItsSlotAtACharacterBoundary) {
  st_.output.html3 = Text(199, u'x') + u"漢字";
  Run(0, {u"a"});
  EXPECT_EQ(Bytes(u"out.html"), "H\r\n1:a\r\n" + std::string(199, 'x') + " ");
}

TEST_F(Writer, BlankMessagesTitleIndexAndOpenWhileCollecting) {
  form_.Check_nooutblank().SetValue(1);
  form_.Check_CreateTitleIndex().SetValue(1);
  form_.Check_Read().SetValue(1);
  StartRun(1);
  Message(u"", u"");  // blank: header only, but handled
  EXPECT_FALSE(FileExists(Path(u"out_idx.html")));
  Run(0, {u"b", u"c"}, false);
  EXPECT_EQ(Bytes(u"out.html") + Bytes(u"out_idx.html"), "H\r\n2:b\r\n3:c\r\nI2 b\r\n3 c\r\n");
  EXPECT_EQ(std::tuple(st_.handled_count, st_.last_handled, ui_.yields), std::tuple(3, 3.0, 3));
  ASSERT_EQ(shell_.calls.size(), 1u);  // opened once, after a pause
  EXPECT_EQ(std::pair(shell_.calls[0].target, clock_.sleeps),
            std::pair(Path(u"out.html"), std::vector<int>{1000}));
}

TEST_F(Writer, FileNames) {
  // Without an extension the output type's mark is added; the last dot marks the extension.
  form_.Text_out().SetValue(u"/log/topic");
  EXPECT_EQ(Name(7, 0, true), u"/log/topic_idx.html");
  // A "." only in the folder: the index goes beside the file, not into another folder.
  form_.Text_out().SetValue(u"/home/u/o.d/topic");
  EXPECT_EQ(Name(7, 0, true), u"/home/u/o.d/topic_idx");
  form_.Text_out().SetValue(u"/log/topic");
  Split(0, u"3");
  EXPECT_EQ(Name(1000, 1, true), u"/log/topic_1000_idx.html");
  form_.Text_out().SetValue(u"/log/a.b.c.htm");
  EXPECT_EQ(Name(12, 3, false), u"/log/a.b.c_012.htm");
}

TEST_F(Writer, CountSplitAcrossFilesAndRuns) {
  Split(0, u"2");
  Run(0, {u"a", u"b", u"c"}, false);
  EXPECT_EQ(Bytes(u"out_001.html"), "H\r\n1:a\r\n2:b\r\n" + Foot("c"));
  EXPECT_EQ(Bytes(u"out_002.html"), "H\r\n3:c\r\n");
  StopRun(Env(), st_);
  // Continuing a series across runs is compared byte for byte by the command line's tests.
  EXPECT_EQ(std::tuple(Bytes(u"out_002.html"), form_.Text_from().Value(), hooks_.calls),
            std::tuple("H\r\n3:c\r\n" + Foot("c"), u"4", Calls{"update", "save"}));
}

TEST_F(Writer, CountSplitAppendsFirstAndSkipsExistingFilesMidRun) {
  Split(0, u"1");
  folder_.Write(u"out_001.html", std::string(200, 'o'));
  folder_.Write(u"out_002.html", "two");
  folder_.Write(u"out_003.html", "three");
  Run(0, {u"a", u"b"}, false);
  EXPECT_EQ(Bytes(u"out_001.html") + "|" + Bytes(u"out_002.html") + Bytes(u"out_003.html") + "|" +
                Bytes(u"out_004.html"),
            std::string(200, 'o') + "1:a\r\n" + Foot("b") + "|twothree|H\r\n2:b\r\n");
  EXPECT_TRUE(ui_.messages.empty());  // asked only with title naming
}

TEST_F(Writer, DateSplit) {
  Split(1);
  Message(u"a", u"2001/01/15 10:00");
  Message(u"b", u"2001/01/16 10:00");
  Message(u"c", u"0000/00/00(00) later");
  Message(u"d", u"2001/01/15(月) 23:00");  // back to an existing file of the series
  EndRun(Env(), st_);
  // The old footer is blanked and the file gets a new one: never a footer mid-file.
  EXPECT_EQ(Bytes(u"out_20010116.html") + Bytes(u"out_19700101.html") + Bytes(u"out_20010115.html"),
            "H\r\n2:b\r\n" + Foot("c") + "H\r\n3:c\r\n" + Foot("d") + "H\r\n1:a\r\n" + kBlank +
                "4:d\r\n" + Foot("d"));
  form_.Combo_devidedatekind().SetIndex(1);  // weeks
  Message(u"e", u"2001/01/15");
  form_.Combo_devidedatekind().SetIndex(2);  // months
  Message(u"f", u"2001/12/01");
  EXPECT_TRUE(FileExists(Path(u"out_20013.html")) && FileExists(Path(u"out_200112.html")));
}

TEST_F(Writer, SizeSplit) {
  Split(2);
  form_.Text_devidefilesize().SetValue(u"1");
  st_.output = OutputType();
  st_.output.html2 = u"<@SUB>";
  // 1000 bytes is not above the limit, nor is exactly 1024: 1025 bytes go on in the next file.
  Message(Text(1000, u'a'));
  Message(Text(24, u'b'));
  Run(0, {u"c", u"d"}, false);
  EXPECT_EQ(std::pair(*FileSize(Path(u"out_0001.html")), Bytes(u"out_0002.html")),
            std::pair(int64_t{1025}, std::string("d")));
}

TEST_F(Writer, TitleNaming) {
  form_.Check_TopicToFilename().SetValue(1);
  EXPECT_EQ(Message(u"a"), Step::End);
  EXPECT_EQ(ui_.Texts(), Texts{"タイトルが取得できなかったため、ファイル名を設定できませんでした"});
  st_.topic_title = u"Q&A: why?";
  Run(0, {u"a"}, false);
  EXPECT_EQ(form_.Text_out().Value(), Path(u"Q&A： why？.html"));
  // The file now exists: the next run asks before appending (with the count split the split
  // step asks, for the probed file); No ends it without saving.
  for (const char16_t* file : {u"Q&A： why？.html", u"t_001.html"}) {
    if (file[0] == u't') Split(0, u"5"), st_.topic_title = u"t", folder_.Write(file, "x");
    StartRun(2);
    ui_.answers = {Answer::No};
    EXPECT_EQ(Message(u"b"), Step::End);
    EXPECT_EQ(std::tuple(ui_.Texts().back(), Bytes(file), hooks_.calls.size()),
              std::tuple(ToUtf8(u"ファイル（" + Path(file) +
                                u"）が既に存在します\r\nこのファイルにデータを追加しますか？"),
                         file[0] == u't' ? "x" : "H\r\n1:a\r\n", size_t{0}));
  }
}

// A hostile title: a NUL and control characters never cut the path short (the existing file is
// not written into), and 300 kanji give a name the file system takes, with its extension.
TEST_F(Writer, TitlesWithControlCharactersAndOverlongTitles) {
  form_.Check_TopicToFilename().SetValue(1);
  folder_.Write(u"important.html", "keep");
  st_.topic_title = u"important.html" + Text(1, u'\0') + u"x\x1b";
  Run(0, {u"a"}, false);
  EXPECT_EQ(std::pair(form_.Text_out().Value(), Bytes(u"important.html")),
            std::pair(Path(u"important.html_x_.html"), "keep"s));
  Split(0, u"1");
  StartRun(1);
  st_.topic_title = Text(300, u'漢');
  Run(0, {u"a", u"b"}, false);
  const Text name = Text(78, u'漢') + u".html";  // 234 + 5 bytes, and room for "_002_idx"
  EXPECT_EQ(std::tuple(form_.Text_out().Value(), Bytes(Text(78, u'漢') + u"_002.html")),
            std::tuple(Path(name), "H\r\n2:b\r\n"s));
}

// A missing folder is offered to be made (checked with the command line); not so when its
// parent is missing too.
TEST_F(Writer, MissingFolderAndParent) {
  form_.Text_out().SetValue(Path(u"a/b/out.html"));
  EXPECT_EQ(Message(u"a"), Step::End);
  EXPECT_EQ(ui_.Texts(),
            (Texts{ToUtf8(u"出力先のフォルダが存在しません（" + Path(u"a/b") +
                          u"）\r\nこの上のフォルダ（" + Path(u"a") +
                          u"）も存在しないので\r\n新規フォルダが作成出来ません"),
                   "出力ファイル名の設定に誤りがあります\r\n正しい値を設定してください"}));
  EXPECT_EQ(hooks_.calls, Calls{"save"});
}
// A folder where an output file belongs is refused at once, never opened; the run ends as an
// abort does: the file written last gets its footer, the record and Text_from stand past it.
TEST_F(Writer, FolderAsOutputIsRefusedAndEndsAsAnAbort) {
  Split(0, u"1");
  ASSERT_TRUE(CreateFolder(Path(u"out_002.html")));
  Run(0, {u"a"}, false);
  EXPECT_EQ(Message(u"b"), Step::End);
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(std::tuple(ui_.messages[0].text, ui_.messages[0].buttons, hooks_.calls,
                       Bytes(u"out_001.html"), form_.Text_from().Value(), st_.split_key),
            std::tuple(RunNoticeText(RunNotice::NotAFile, {Path(u"out_002.html")}), Buttons::Ok,
                       Calls{"update", "save"}, "H\r\n1:a\r\n" + Foot("b"), Text(u"2"), 1));
}

// A full disk while message 2 and its title index entry are written. What was half written is
// cut back before the question, so a retry writes the message once and an abort leaves the files
// and the record just past message 1.
TEST_F(Writer, FullDiskCutsBackTheHalfWrittenMessage) {
  const std::string all = "H\r\n1:a\r\n2:b\r\n3:c\r\n" + Foot("c"),
                    index = "I1 a\r\n2 b\r\n3 c\r\n";
  // Bytes left when message 2 is written (2: the message is cut, 7: its index entry), the
  // answer to the error box, and the files after the run.
  // clang-format off
  const std::tuple<int64_t, Answer, std::string, std::string> cases[] = {
      {2, Answer::Retry, all, index},
      {7, Answer::Retry, all, index},
      {2, Answer::Ignore, "H\r\n1:a\r\n3:c\r\n" + Foot("c"), "I1 a\r\n3 c\r\n"},
      {7, Answer::Abort, "H\r\n1:a\r\n" + Foot("b"), "I1 a\r\n"},
  };
  // clang-format on
  form_.Check_CreateTitleIndex().SetValue(1);
  ui_.before_answer = [] { SetOutputSpaceForTesting(-1); };  // the user makes room
  for (const auto& [space, answer, out, idx] : cases) {
    SCOPED_TRACE(space + 10 * static_cast<int>(answer));
    DeleteFile(Path(u"out.html"));
    DeleteFile(Path(u"out_idx.html"));
    hooks_.calls.clear();
    ui_.messages.clear();
    ui_.answers = {answer};
    Run(1, {u"a"}, false);
    SetOutputSpaceForTesting(space);
    Message(u"b");
    if (answer != Answer::Abort) Run(0, {u"c"});
    SetOutputSpaceForTesting(-1);
    const Calls calls =
        answer == Answer::Abort ? Calls{"update", "save"} : Calls{"update", "show", "save"};
    EXPECT_EQ(std::tuple(Bytes(u"out.html"), Bytes(u"out_idx.html"), hooks_.calls),
              std::tuple(out, idx, calls));
    ASSERT_FALSE(ui_.messages.empty());
    EXPECT_EQ(std::pair(ui_.messages[0].caption, ui_.messages[0].buttons),
              std::pair(Text(u"エラー"), Buttons::AbortRetryIgnore));
    // Data left unwritten is named in the completion question.
    EXPECT_EQ(ui_.Texts().back().find("書き込めなかったデータが1件あります") != std::string::npos,
              answer == Answer::Ignore);
  }
  ui_.before_answer = nullptr;
}

TEST_F(Writer, AbortGivesTheFooterOnce) {
  Run(0, {u"a"}, false);
  AbortRun(Env(), st_);
  AbortRun(Env(), st_);
  EXPECT_EQ(std::tuple(Bytes(u"out.html"), hooks_.calls, form_.Text_from().Value()),
            std::tuple("H\r\n1:a\r\n" + Foot("a"), Calls{"update", "save", "update", "save"},
                       Text(u"2")));
}

}  // namespace
}  // namespace pellucor
