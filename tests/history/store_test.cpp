#include "history/store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_form.h"
#include "common/files.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;

class HistoryStore : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("pellucor_history_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    path_ = FromUtf8((dir_ / "record.dat").string());
  }
  void TearDown() override { fs::remove_all(dir_); }

  void WriteRaw(const std::string& bytes) { ASSERT_TRUE(WriteFileAtomic(path_, bytes)); }

  static HistoryRecord Sample(const Text& url1, const Text& comment = u"") {
    HistoryRecord r;
    for (int n = 1; n <= HistoryRecord::kFieldCount; ++n)
      r.Field(n) = FromUtf8("f" + std::to_string(n));
    r.url1 = url1;
    r.comment = comment;
    return r;
  }

  fs::path dir_;
  Text path_;
  testing::ScriptedUi ui_;
};

TEST_F(HistoryStore, SavesVersion3AndLoadsItBack) {
  HistoryList list = {Sample(u"http://a/?mid="), Sample(u"http://b/?mid=", u"コメント")};
  list[0].title = u"題名　全角";
  ASSERT_TRUE(SaveHistory(path_, list, ui_));
  auto bytes = ReadFileBytes(path_);
  ASSERT_TRUE(bytes);
  EXPECT_EQ(bytes->substr(0, 3), "3\r\n");
  EXPECT_EQ(*bytes, SerializeHistory(list));
  size_t lines = 0;
  for (size_t p = 0; (p = bytes->find("\r\n", p)) != std::string::npos; p += 2) ++lines;
  EXPECT_EQ(lines, 1u + 2 * 25);

  HistoryList loaded;
  EXPECT_EQ(LoadHistory(path_, loaded, ui_, true), HistoryLoad::Loaded);
  EXPECT_EQ(loaded, list);
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(HistoryStore, LineBreaksInsideAFieldBecomeSpaces) {
  HistoryList list = {Sample(u"u")};
  list[0].comment = u"一行目\r\n二行目\n三";
  ASSERT_TRUE(SaveHistory(path_, list, ui_));
  HistoryList loaded;
  LoadHistory(path_, loaded, ui_, true);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].comment, u"一行目  二行目 三");
}

TEST_F(HistoryStore, OlderVersionsFillTheFieldsTheyLack) {
  std::string v1 = "1\r\n", v2 = "2\r\n";
  for (int i = 1; i <= 19; ++i) v1 += "a" + std::to_string(i) + "\r\n";
  v2 += "\r\n";  // an empty line where a record begins is skipped
  for (int i = 1; i <= 20; ++i) v2 += "b" + std::to_string(i) + "\r\n";
  WriteRaw(v1);
  HistoryList l1;
  EXPECT_EQ(LoadHistory(path_, l1, ui_, true), HistoryLoad::Loaded);
  ASSERT_EQ(l1.size(), 1u);
  EXPECT_EQ(l1[0].url1, u"a1");
  EXPECT_EQ(l1[0].divide, u"a10");     // field 12 is the 10th line
  EXPECT_EQ(l1[0].boardName, u"a14");  // field 19
  EXPECT_EQ(l1[0].totalSeconds, u"a19");
  EXPECT_EQ(l1[0].createTitleIndex, u"");
  EXPECT_EQ(l1[0].divideFileSize, u"");
  EXPECT_EQ(l1[0].comment, u"");

  WriteRaw(v2);
  HistoryList l2;
  EXPECT_EQ(LoadHistory(path_, l2, ui_, true), HistoryLoad::Loaded);
  ASSERT_EQ(l2.size(), 1u);
  EXPECT_EQ(l2[0].comment, u"b20");
  EXPECT_EQ(l2[0].createTitleIndex, u"0");
  EXPECT_EQ(l2[0].noOutBlank, u"0");
  EXPECT_EQ(l2[0].divideKind, u"0");
  EXPECT_EQ(l2[0].divideDateKind, u"0");
  EXPECT_EQ(l2[0].divideFileSize, u"1000");
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(HistoryStore, DuplicatesLoadOnceFirstWins) {
  HistoryList list = {Sample(u"u", u"first"), Sample(u"u", u"second")};
  WriteRaw(SerializeHistory(list));
  HistoryList loaded;
  LoadHistory(path_, loaded, ui_, true);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].comment, u"first");
}

TEST_F(HistoryStore, TruncatedFileKeepsWhatWasReadWarnsAndKeepsACopy) {
  std::string bytes = SerializeHistory({Sample(u"u1"), Sample(u"u2")});
  bytes.resize(bytes.size() - 30);  // cut into the second record
  WriteRaw(bytes);
  HistoryList loaded;
  EXPECT_EQ(LoadHistory(path_, loaded, ui_, true), HistoryLoad::Damaged);
  ASSERT_EQ(loaded.size(), 1u);
  EXPECT_EQ(loaded[0].url1, u"u1");
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].text,
            u"履歴データの取得に失敗しました\r\n残念ながら履歴データはアプリケーション終了時に失わ"
            u"れます");
  EXPECT_EQ(ui_.messages[0].icon, Icon::Critical);
  EXPECT_EQ(ReadFileBytes(path_ + u".bak"), bytes);
}

TEST_F(HistoryStore, UnknownVersionLoadsNothingSilentlyAndIsKept) {
  WriteRaw("7\r\nx\r\n");
  HistoryList loaded;
  EXPECT_EQ(LoadHistory(path_, loaded, ui_, true), HistoryLoad::UnknownVersion);
  EXPECT_TRUE(loaded.empty());
  EXPECT_TRUE(ui_.messages.empty());
  EXPECT_EQ(ReadFileBytes(path_ + u".bak"), std::string("7\r\nx\r\n"));
}

TEST_F(HistoryStore, MissingAndEmptyFilesLoadNothing) {
  HistoryList loaded;
  EXPECT_EQ(LoadHistory(path_, loaded, ui_, true), HistoryLoad::Missing);
  WriteRaw("");
  EXPECT_EQ(LoadHistory(path_, loaded, ui_, true), HistoryLoad::Loaded);
  EXPECT_TRUE(loaded.empty());
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(HistoryStore, SavingAnEmptyHistoryDeletesTheFile) {
  WriteRaw(SerializeHistory({Sample(u"u")}));
  EXPECT_TRUE(SaveHistory(path_, {}, ui_));
  EXPECT_FALSE(FileExists(path_));
  EXPECT_TRUE(SaveHistory(path_, {}, ui_));  // nothing to delete is fine
  EXPECT_TRUE(ui_.messages.empty());
}

TEST_F(HistoryStore, FailedSaveIsReportedAndKeepsTheOldFile) {
  Text bad = FromUtf8((dir_ / "no" / "such" / "record.dat").string());
  EXPECT_FALSE(SaveHistory(bad, {Sample(u"u")}, ui_));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].icon, Icon::Critical);
  EXPECT_NE(ui_.messages[0].text.find(u"履歴データの保存に失敗しました"), Text::npos);

  // A folder in the way of the file: the rename fails, nothing is lost.
  fs::create_directories(dir_ / "record.dat" / "x");
  Text blocked = FromUtf8((dir_ / "record.dat").string());
  EXPECT_FALSE(SaveHistory(blocked, {Sample(u"u")}, ui_));
  EXPECT_TRUE(fs::exists(dir_ / "record.dat" / "x"));
}

TEST(FindHistoryRecord, MatchesOnAddressesOutputAndSplitKind) {
  HistoryRecord a;
  a.url1 = u"u1";
  a.url2 = u"u2";
  a.outputTypeFile = u"_html.out";
  a.outputPath = u"/o/x.html";
  a.divideKind = u"0";
  a.comment = u"c";
  HistoryList list = {a};
  HistoryRecord b = a;
  b.comment = u"other";
  b.title = u"other";
  EXPECT_EQ(FindHistoryRecord(list, b, true), 0);
  b.divideKind = u"1";
  EXPECT_EQ(FindHistoryRecord(list, b, true), -1);
  EXPECT_EQ(FindHistoryRecord(list, b, false), 0);  // split kind ignored when not splitting
  b = a;
  b.outputPath = u"/o/X.html";  // case matters
  EXPECT_EQ(FindHistoryRecord(list, b, false), -1);
  EXPECT_EQ(FindHistoryRecord({}, a, false), -1);
}

TEST(UpdateHistoryRecord, AppendsOnceThenAccumulates) {
  MemoryForm form;
  form.Text_url1().SetValue(u"http://h/?mid=");
  form.Text_from().SetValue(u"1");
  form.Text_to().SetValue(u"26");
  form.Check_MaxMsg().SetValue(1);
  form.Text_out().SetValue(u"/o/t.html");
  form.Option_devidekind().SetIndex(2);
  HistoryList list;
  int index = -1;
  RunSummary run;
  run.board_file = u"_yahoo.bbs";
  run.output_type_file = u"_html.out";
  run.board_name = u"板";
  run.split_key = 3;
  run.file_message_count = 7;
  run.title = u"題";
  run.last_message = 25;
  run.handled = 25;
  run.start = {2001, 5, 12, 13, 45, 0};
  run.end = {2001, 5, 12, 13, 46, 40};
  UpdateHistoryRecord(list, index, form, run);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(index, 0);
  list[0].comment = u"keep";
  const HistoryRecord& r = list[0];
  EXPECT_EQ(r.maxMsg, u"1");
  EXPECT_EQ(r.divideKind, u"2");
  EXPECT_EQ(r.splitKey, u"3");
  EXPECT_EQ(r.fileMessageCount, u"7");
  EXPECT_EQ(r.lastMessage, u"25");
  EXPECT_EQ(r.lastRunTime, u"2001/05/12 13:46:40");
  EXPECT_EQ(r.totalMessages, u"25");
  EXPECT_EQ(r.totalSeconds, u"100");

  run.handled = 5;
  run.start = run.end;
  run.end = {2001, 5, 13, 0, 0, 0};
  UpdateHistoryRecord(list, index, form, run);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].totalMessages, u"30");
  EXPECT_EQ(list[0].totalSeconds, FromUtf8(std::to_string(100 + 36800)));
  EXPECT_EQ(list[0].lastRunTime, u"2001/05/13 00:00:00");
  EXPECT_EQ(list[0].comment, u"keep");
}

}  // namespace
}  // namespace pellucor
