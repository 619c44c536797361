#include "history/patrol_marks.h"

#include <gtest/gtest.h>

#include "common/files.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

HistoryRecord Job(const Text& url1, const Text& out) {
  HistoryRecord r;
  r.url1 = url1, r.url2 = u"&x=1", r.outputPath = out, r.lastMessage = u"10";
  return r;
}

// That removing the last mark removes the file: the patrol command's test.
TEST(PatrolMarks, TheAddressAndOutputNameTheJob) {
  testing::ScratchFolder dir;
  const Text path = PatrolMarksPath(dir.Dir());
  HistoryRecord a = Job(u"http://a/?mid=", u"/o/a.html"), b = Job(u"http://b/?mid=", u"/o/b.html");
  PatrolMarks marks = PatrolMarks::Load(path);  // no file: no marks
  for (auto [job, on] : {std::pair(a, true), {a, true}, {b, true}, {b, false}}) marks.Set(job, on);
  ASSERT_TRUE(marks.Save(path));
  EXPECT_EQ(dir.Read(u"patrol.dat"), "1\r\nhttp://a/?mid=\r\n&x=1\r\n/o/a.html\r\n");
  PatrolMarks loaded = PatrolMarks::Load(path);
  HistoryRecord updated = a;  // a run updates everything but what names the job
  updated.lastMessage = u"25", updated.title = u"題", updated.comment = u"c";
  updated.totalMessages = u"25", updated.divideKind = u"1";
  EXPECT_TRUE(loaded.IsMarked(updated) && !loaded.IsMarked(b));
  for (Text HistoryRecord::*field :
       {&HistoryRecord::url1, &HistoryRecord::url2, &HistoryRecord::outputPath}) {
    HistoryRecord other = a;
    other.*field += u"2";
    EXPECT_FALSE(loaded.IsMarked(other));
  }
  loaded.KeepOnly({b});  // a deleted from the history
  EXPECT_EQ(loaded.size(), 0u);
}

TEST(PatrolMarks, FilesOfAnotherVersionOrCutShortGiveWhatTheyHold) {
  testing::ScratchFolder dir;
  const Text path = dir.Path(u"patrol.dat");
  dir.Write(u"patrol.dat", "2\r\nu\r\n\r\n/o\r\n");
  EXPECT_EQ(PatrolMarks::Load(path).size(), 0u);
  dir.Write(u"patrol.dat", "1\nu\n\n/o\nv\n");  // LF line ends; a mark cut short
  PatrolMarks marks = PatrolMarks::Load(path);
  HistoryRecord r;
  r.url1 = u"u", r.outputPath = u"/o";
  EXPECT_TRUE(marks.size() == 1 && marks.IsMarked(r));
}

// The unmarked and the counted line: the history window's test.
TEST(PatrolMarks, ListLineShowsAFailedCheckInItsColumn) {
  EXPECT_EQ(PatrolListLine(u"L", false, u"×"), u"  ×    L");
}

}  // namespace
}  // namespace pellucor
