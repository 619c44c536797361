#include "history/store.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/files.h"
#include "engine/job.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

HistoryRecord Sample(const Text& url1, const Text& comment = u"") {
  HistoryRecord r;
  for (int n = 1; n <= HistoryRecord::kFieldCount; ++n)
    r.Field(n) = FromUtf8("f" + std::to_string(n));
  r.url1 = url1;
  r.comment = comment;
  return r;
}

class HistoryStore : public ::testing::Test {
 protected:
  HistoryLoad Load(const std::string& bytes) {
    loaded.clear();
    EXPECT_TRUE(WriteFileAtomic(path, bytes));
    return Outcome(LoadHistory(path, loaded, true));
  }
  // A failed load stands for a damaged file here.
  static HistoryLoad Outcome(const Result<HistoryLoad>& r) { return r ? *r : HistoryLoad::Damaged; }
  testing::ScratchFolder dir;
  std::string root = ToUtf8(dir.Dir());
  Text path = dir.Path(u"record.dat");
  HistoryList loaded;
};

TEST_F(HistoryStore, SavesVersion3AndLoadsItBackWithLineBreaksAsSpaces) {
  HistoryList list = {Sample(u"http://a/?mid="),
                      Sample(u"http://b/?mid=", u"一行目\r\n二行目\n三")};
  list[0].title = u"題名　全角";
  ASSERT_TRUE(SaveHistory(path, list));
  std::string bytes = ReadFileBytes(path).value_or("");
  EXPECT_EQ(bytes.substr(0, 3) + std::to_string(std::count(bytes.begin(), bytes.end(), '\n')),
            "3\r\n51");
  EXPECT_EQ(Outcome(LoadHistory(path, loaded, true)), HistoryLoad::Loaded);
  list[1].comment = u"一行目  二行目 三";
  EXPECT_EQ(loaded, list);
}

// Version 1 lacks fields 10, 11, 13, 17, 18 and 25, version 2 all but the last of them (at
// their defaults then). A lone LF inside a field (a hand edit) does not end the line; a file
// without any CR (edited on Linux) has LF line ends; an empty line where a record begins is
// skipped.
TEST_F(HistoryStore, OlderVersionsAndLineEnds) {
  auto file = [](std::string head, int lines, const char* end, int lone_lf_line = 0) {
    for (int i = 1; i <= lines; ++i)
      head += (i == lone_lf_line ? "t\nx" : "f" + std::to_string(i)) + end;
    return head;
  };
  const struct {
    std::string bytes;
    std::vector<Text> fields;  // 1, 12, 19, 20, 24, 25, 10+11+13+17, 18
  } cases[] = {
      {file("3\r\n", 25, "\r\n", 20),
       {u"f1", u"f12", u"f19", u"t\nx", u"f24", u"f25", u"f10f11f13f17", u"f18"}},
      {file("3\n", 25, "\n"),
       {u"f1", u"f12", u"f19", u"f20", u"f24", u"f25", u"f10f11f13f17", u"f18"}},
      {file("1\r\n", 19, "\r\n", 15), {u"f1", u"f10", u"f14", u"t\nx", u"f19", u"", u"", u""}},
      {file("2\r\n\r\n", 20, "\r\n"),
       {u"f1", u"f10", u"f14", u"f15", u"f19", u"f20", u"0000", u"1000"}}};
  for (const auto& c : cases) {
    ASSERT_EQ(Load(c.bytes), HistoryLoad::Loaded) << c.bytes;
    ASSERT_EQ(loaded.size(), 1u) << c.bytes;
    const HistoryRecord& r = loaded[0];
    EXPECT_EQ(
        (std::vector<Text>{r.url1, r.divide, r.boardName, r.title, r.totalSeconds, r.comment,
                           r.createTitleIndex + r.noOutBlank + r.divideKind + r.divideDateKind,
                           r.divideFileSize}),
        c.fields)
        << c.bytes;
  }
}

TEST_F(HistoryStore, DamagedFilesKeepWhatWasReadAndACopy) {
  // clang-format off
  std::string two = SerializeHistory({Sample(u"u1"), Sample(u"u2")});
  const struct {
    const char* name;
    std::string bytes;
    HistoryLoad result;
    size_t records;
    bool copy;
  } cases[] = {
      {"cut into the second record", two.substr(0, two.size() - 30), HistoryLoad::Damaged, 1, true},
      {"unknown version", "7\r\nx\r\n", HistoryLoad::UnknownVersion, 0, true},
      {"empty", "", HistoryLoad::Loaded, 0, false},
      {"duplicates: the first wins", SerializeHistory({Sample(u"u1"), Sample(u"u1", u"x")}),
       HistoryLoad::Loaded, 1, false}};
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(root + "record.dat.bak");
    EXPECT_EQ(Load(c.bytes), c.result);
    EXPECT_EQ(loaded.size(), c.records);
    EXPECT_EQ(ReadFileBytes(path + u".bak"), c.copy ? std::optional(c.bytes) : std::nullopt);
    if (!loaded.empty()) {
      EXPECT_EQ(loaded[0].url1 + loaded[0].comment, u"u1");
    }
  }
  std::filesystem::remove(root + "record.dat");
  EXPECT_EQ(Outcome(LoadHistory(path, loaded, true)), HistoryLoad::Missing);
}

TEST_F(HistoryStore, SavingNothingDeletesTheFileAndAFailedSaveKeepsTheOld) {
  ASSERT_TRUE(SaveHistory(path, {Sample(u"u")}));
  EXPECT_TRUE(SaveHistory(path, {}));
  EXPECT_FALSE(FileExists(path));
  EXPECT_TRUE(SaveHistory(path, {}));  // nothing to delete is fine

  // A folder in the way of the file: the rename fails, is reported, nothing is lost.
  std::filesystem::create_directories(root + "record.dat/x");
  Result<> saved = SaveHistory(path, {Sample(u"u")});
  ASSERT_FALSE(saved);
  EXPECT_NE(saved.error().code, 0);
  EXPECT_TRUE(std::filesystem::exists(root + "record.dat/x"));
}

TEST(FindHistoryRecord, MatchesOnAddressesOutputAndSplitKind) {
  const HistoryRecord a = Sample(u"u1");
  auto with = [&](auto field, const char16_t* value) {
    HistoryRecord b = a;
    b.*field = value;
    return b;
  };
  const struct {
    HistoryRecord key;
    bool devide;
    int found;
  } cases[] = {{with(&HistoryRecord::title, u"other"), true, 0},
               {with(&HistoryRecord::divideKind, u"1"), true, -1},
               {with(&HistoryRecord::divideKind, u"1"), false, 0},    // not splitting: ignored
               {with(&HistoryRecord::outputPath, u"F8"), false, -1},  // case matters
               {with(&HistoryRecord::url2, u""), false, -1}};
  for (const auto& c : cases) EXPECT_EQ(FindHistoryRecord({a}, c.key, c.devide), c.found);
  EXPECT_EQ(FindHistoryRecord({}, a, false), -1);
}

TEST(UpdateHistoryRecord, AppendsOnceThenAccumulates) {
  Job job;
  job.url1 = u"http://h/?mid=";
  job.max_msg = true;
  job.request.devide_kind = 2;
  HistoryList list;
  int index = -1;
  DateTime start{2001, 5, 12, 13, 45, 0}, end{2001, 5, 12, 13, 46, 40};
  RunSummary run{u"_yahoo.bbs", u"板", u"_html.out", 3, 7, u"題", 25, 25, start, end};
  UpdateHistoryRecord(list, index, job, run);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(index, 0);
  const HistoryRecord& r = list[0];
  EXPECT_EQ((std::vector<Text>{r.url1, r.maxMsg, r.divideKind, r.splitKey, r.fileMessageCount,
                               r.lastMessage, r.lastRunTime, r.totalMessages, r.totalSeconds}),
            (std::vector<Text>{u"http://h/?mid=", u"1", u"2", u"3", u"7", u"25",
                               u"2001/05/12 13:46:40", u"25", u"100"}));

  list[0].comment = u"keep";
  run.handled = 5;
  run.start = run.end;
  run.end = {2001, 5, 13, 0, 0, 0};
  UpdateHistoryRecord(list, index, job, run);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ((std::vector<Text>{r.totalMessages, r.totalSeconds, r.lastRunTime, r.comment}),
            (std::vector<Text>{u"30", u"36900", u"2001/05/13 00:00:00", u"keep"}));
}

// Two instances that loaded the same file save in turn: neither loses the other's records, a
// record deleted in one stays deleted, and a killed save's temporary file is swept away.
TEST_F(HistoryStore, SavesMergeWithWhatAnotherInstanceSaved) {
  HistoryList first = {Sample(u"a"), Sample(u"b")};
  ASSERT_TRUE(SaveHistory(path, first));
  ASSERT_TRUE(WriteFileAtomic(path + u".tmpAbCdEf", "left by a killed save"));
  HistoryList one = first, one_base = first, two = first, two_base = first;
  two.push_back(Sample(u"c"));
  two[0].comment = u"two";
  ASSERT_TRUE(SaveHistory(path, two, two_base));
  one.erase(one.begin() + 1);  // b deleted here
  one.push_back(Sample(u"d"));
  ASSERT_TRUE(SaveHistory(path, one, one_base));
  Load(ReadFileBytes(path).value_or(""));
  std::vector<Text> got;
  for (const HistoryRecord& r : loaded) got.push_back(r.url1 + u":" + r.comment);
  EXPECT_EQ(got, (std::vector<Text>{u"a:two", u"c:", u"d:"}));
  EXPECT_EQ(one, loaded);
  EXPECT_FALSE(FileExists(path + u".tmpAbCdEf"));
}

}  // namespace
}  // namespace pellucor
