#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "common/deffile.h"
#include "common/filename.h"
#include "common/files.h"

namespace pellucor {
namespace {

class TempDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pellucor-common-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  Text Path(const char* name) const { return FromUtf8(dir_ + "/" + name); }
  std::string dir_;
};

using Files = TempDir;

TEST_F(Files, AtomicWriteReplacesAndKeepsMode) {
  const Text p = Path("a.txt");
  EXPECT_FALSE(FileExists(p));
  EXPECT_FALSE(ReadFileBytes(p).has_value());
  ASSERT_TRUE(WriteFileAtomic(p, "one"));
  ASSERT_EQ(chmod(NativePath(p).c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomic(p, std::string("t\0o", 3)));
  EXPECT_EQ(*ReadFileBytes(p), std::string("t\0o", 3));
  EXPECT_EQ(*FileSize(p), 3);
  struct stat st;
  ASSERT_EQ(stat(NativePath(p).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(Files, AtomicWriteFailureLeavesNothing) {
  std::string error;
  EXPECT_FALSE(WriteFileAtomic(Path("missing/a.txt"), "x", &error));
  EXPECT_FALSE(error.empty());
  ASSERT_TRUE(CreateFolder(Path("d")));
  EXPECT_FALSE(WriteFileAtomic(Path("d"), "x"));  // a folder is not replaced
  EXPECT_TRUE(FolderExists(Path("d")));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_), {}), 1);
}

TEST_F(Files, AtomicWriteThroughLinkAndNulPaths) {
  ASSERT_TRUE(WriteFileAtomic(Path("real"), "1"));
  ASSERT_EQ(symlink((dir_ + "/real").c_str(), (dir_ + "/link").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomic(Path("link"), "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "/link"));
  EXPECT_EQ(*ReadFileBytes(Path("real")), "2");
  // A NUL would cut the path short and name another file.
  const Text cut = Path("real") + Text(1, u'\0') + u".html";
  EXPECT_FALSE(WriteFileAtomic(cut, "3"));
  EXPECT_FALSE(AppendToFile(cut, "3"));
  EXPECT_FALSE(FileExists(cut));
  EXPECT_FALSE(DeleteFile(cut));
  EXPECT_EQ(*ReadFileBytes(Path("real")), "2");
}

TEST_F(Files, AppendCreateRenameDelete) {
  const Text p = Path("日本語.txt");
  ASSERT_TRUE(AppendToFile(p, "ab"));
  ASSERT_TRUE(AppendToFile(p, "cd"));
  EXPECT_EQ(*ReadFileBytes(p), "abcd");
  EXPECT_TRUE(std::filesystem::exists(dir_ + "/日本語.txt"));  // UTF-8 on disk
  ASSERT_TRUE(CreateFolder(Path("sub")));
  EXPECT_TRUE(CreateFolder(Path("sub")));  // already there
  EXPECT_FALSE(CreateFolder(Path("no/such")));
  ASSERT_TRUE(RenameFile(p, Path("sub/b.txt")));
  EXPECT_FALSE(FileExists(p));
  EXPECT_TRUE(FileExists(Path("sub/b.txt")));
  EXPECT_FALSE(FileExists(Path("sub")));
  EXPECT_TRUE(FileModified(Path("sub/b.txt")).has_value());
  std::string error;
  EXPECT_TRUE(DeleteFile(Path("sub/b.txt")));
  EXPECT_FALSE(DeleteFile(Path("sub/b.txt"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(AppendToFile(Path("no/such/x"), "a", &error));
}

TEST(Paths, FolderAndNameParts) {
  EXPECT_EQ(FolderPart(u"/a/b/c.html"), u"/a/b/");
  EXPECT_EQ(NamePart(u"/a/b/c.html"), u"c.html");
  EXPECT_EQ(FolderPart(u"c.html"), u"");
  EXPECT_EQ(NamePart(u"c.html"), u"c.html");
  EXPECT_EQ(NamePart(u"/a/"), u"");
}

TEST(FileNames, Validate) {
  Text r = u"stale";
  EXPECT_TRUE(ValidateFileName(u"/log/ab.html", &r));
  EXPECT_EQ(r, u"");
  EXPECT_TRUE(ValidateFileName(u"/log/a\\b.html"));  // "\" is an ordinary character
  EXPECT_TRUE(ValidateFileName(u"/lo:g/ab.html"));   // ":" only counts in the name part
  auto reported = [](TextView name) {
    Text r;
    EXPECT_FALSE(ValidateFileName(name, &r));
    return r;
  };
  EXPECT_EQ(reported(u"/log/a:b.html"), u":");
  EXPECT_EQ(reported(u"/log/con"), u"CON");
  EXPECT_EQ(reported(u"/log/Nul.txt"), u"NUL");
  EXPECT_EQ(reported(u"/log/aux.a.b"), u"AUX");
  EXPECT_TRUE(ValidateFileName(u"/log/console.txt"));
  EXPECT_TRUE(ValidateFileName(u"/con/a.txt"));  // a folder named con is fine
  EXPECT_EQ(reported(u"  "), u"(未入力)");
  EXPECT_EQ(reported(u""), u"(未入力)");
  EXPECT_EQ(reported(u"a|b?c"), u"|");
  EXPECT_EQ(reported(u"a?b*c"), u"*");  // table order, not position
  EXPECT_EQ(reported(u"a\"b"), u"\"");
  EXPECT_EQ(reported(u"a\tb"), u"(タブ)");
  EXPECT_EQ(reported(u"a\nb"), u"(ラインフィード)");
  EXPECT_EQ(reported(u"a\rb"), u"(キャリッジリターン)");
  EXPECT_EQ(reported(u"/a,b/x.html"), u",");  // character rules look at the whole name
  EXPECT_EQ(reported(u"<x>"), u"<");
}

TEST(FileNames, TitleToFileName) {
  const DateTime now{2001, 1, 15, 9, 45, 2};
  EXPECT_EQ(TitleToFileName(u"Q&A: why?", now), u"Q&A： why？");
  EXPECT_EQ(TitleToFileName(u"say \"hi\"", now), u"say QUOTEhiQUOTE");
  EXPECT_EQ(TitleToFileName(u"", now), u"20010115-094502");
  EXPECT_EQ(TitleToFileName(u"   ", now), u"20010115-094502");
  EXPECT_EQ(TitleToFileName(u"aux", now), u"A-U-X");
  EXPECT_EQ(TitleToFileName(u"Prn.log", now), u"P-R-N.log");
  EXPECT_EQ(TitleToFileName(u"auxiliary", now), u"auxiliary");
  EXPECT_EQ(TitleToFileName(u"aux.aux", now), u"A-U-X.A-U-X");
  // A title never makes folders: "/" becomes the full-width form, "\" stays.
  EXPECT_EQ(TitleToFileName(u"2001/05 report", now), u"2001／05 report");
  EXPECT_EQ(TitleToFileName(u"2001\\05 report", now), u"2001\\05 report");
  EXPECT_EQ(TitleToFileName(u"a*b,c<d>e|f\tg\nh\ri", now), u"a＊b，c＜d＞e｜fTABgLFhCRi");
  EXPECT_EQ(GetShortPath(u"/no/such/path"), u"/no/such/path");
}

}  // namespace
}  // namespace pellucor
