#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "common/filename.h"
#include "common/files.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

class Files : public ::testing::Test {
 protected:
  testing::ScratchFolder scratch_;
  const std::string dir_ = NativePath(scratch_.Dir());  // ends in "/"
  Text Path(const char* name) const { return FromUtf8(dir_ + name); }
  long Entries() const { return std::distance(std::filesystem::directory_iterator(dir_), {}); }
};

// The replacement keeps the old file's mode and leaves no temporary file beside it, whether it
// succeeds or fails; a folder is never replaced.
TEST_F(Files, AtomicWrite) {
  const Text p = Path("a.txt");
  EXPECT_FALSE(ReadFileBytes(p).has_value());
  ASSERT_TRUE(WriteFileAtomic(p, "one"));
  ASSERT_EQ(chmod(NativePath(p).c_str(), 0600), 0);
  ASSERT_TRUE(WriteFileAtomic(p, std::string("t\0o", 3)));
  EXPECT_EQ(*ReadFileBytes(p), std::string("t\0o", 3));
  struct stat st;
  ASSERT_EQ(stat(NativePath(p).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  const Result<> missing = WriteFileAtomic(Path("missing/a.txt"), "x");
  EXPECT_EQ(missing.ok() ? 0 : missing.error().code, ENOENT);
  ASSERT_TRUE(CreateFolder(Path("d")));
  EXPECT_FALSE(WriteFileAtomic(Path("d"), "x"));
  EXPECT_TRUE(FolderExists(Path("d")));
  EXPECT_EQ(Entries(), 2);
}

// Writing through a link replaces the file it points to; a NUL would cut a path short and name
// another file, so every operation refuses it.
TEST_F(Files, AtomicWriteThroughLinkAndNulPaths) {
  ASSERT_TRUE(WriteFileAtomic(Path("real"), "1"));
  ASSERT_EQ(symlink((dir_ + "real").c_str(), (dir_ + "link").c_str()), 0);
  ASSERT_TRUE(WriteFileAtomic(Path("link"), "2"));
  EXPECT_TRUE(std::filesystem::is_symlink(dir_ + "link"));
  EXPECT_EQ(*ReadFileBytes(Path("real")), "2");
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
  EXPECT_TRUE(std::filesystem::exists(dir_ + "日本語.txt"));  // UTF-8 on disk
  ASSERT_TRUE(CreateFolder(Path("sub")));
  EXPECT_TRUE(CreateFolder(Path("sub")));  // already there
  EXPECT_FALSE(CreateFolder(Path("no/such")));
  ASSERT_TRUE(RenameFile(p, Path("sub/b.txt")));
  EXPECT_EQ(std::tuple(FileExists(p), FileExists(Path("sub/b.txt")), FileExists(Path("sub"))),
            std::tuple(false, true, false));  // a folder is not a file
  EXPECT_TRUE(DeleteFile(Path("sub/b.txt")));
  const Result<> gone = DeleteFile(Path("sub/b.txt"));
  EXPECT_EQ(gone.ok() ? 0 : gone.error().code, ENOENT);
  EXPECT_FALSE(AppendToFile(Path("no/such/x"), "a"));
  EXPECT_EQ(FolderPart(u"/a/b/c.html") + u"|" + NamePart(u"/a/b/c.html"), u"/a/b/|c.html");
  EXPECT_EQ(FolderPart(u"c.html") + u"|" + NamePart(u"c.html") + NamePart(u"/a/"), u"|c.html");
}

// The first offending character in table order (not position) is reported, ":" only in the
// name part; device names count in the name part only, with or without an extension.
TEST(FileNames, Validate) {
  // clang-format off
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"/log/ab.html", u""}, {u"/log/a\\b.html", u""}, {u"/lo:g/ab.html", u""},
      {u"/log/console.txt", u""}, {u"/con/a", u""}, {u"/log/a:b.html", u":"},
      {u"/log/con", u"CON"}, {u"/log/Nul.txt", u"NUL"}, {u"/log/aux.a.b", u"AUX"},
      {u"  ", u"(未入力)"}, {u"", u"(未入力)"}, {u"a|b?c", u"|"}, {u"a?b*c", u"*"},
      {u"a\"b", u"\""}, {u"/a,b/x.html", u","}, {u"<x>", u"<"}, {u"a\tb", u"(タブ)"},
      {u"a\nb", u"(ラインフィード)"}, {u"a\rb", u"(キャリッジリターン)"}};
  // clang-format on
  for (const auto& [name, reported] : cases) {
    Text r = u"stale";
    EXPECT_EQ(ValidateFileName(name, &r), !*reported) << ToUtf8(name);
    EXPECT_EQ(r, reported) << ToUtf8(name);
  }
}

// A title never makes folders: "/" becomes the full-width form, "\" stays. Device names get
// hyphens in the name part, before and after a dot.
TEST(FileNames, TitleToFileName) {
  const DateTime now{2001, 1, 15, 9, 45, 2};
  EXPECT_EQ(TitleToFileName(u"Q&A: \"why?\" 2001/05\\a*b,c<d>e|f\tg\nh\ri", now),
            u"Q&A： QUOTEwhy？QUOTE 2001／05\\a＊b，c＜d＞e｜fTABgLFhCRi");
  for (auto [title, name] : {std::pair{u"", u"20010115-094502"},
                             {u"   ", u"20010115-094502"},
                             {u"aux", u"A-U-X"},
                             {u"Prn.log", u"P-R-N.log"},
                             {u"auxiliary", u"auxiliary"},
                             {u"aux.aux", u"A-U-X.A-U-X"}})
    EXPECT_EQ(TitleToFileName(title, now), name) << ToUtf8(title);
  // Other control characters, NUL first, never reach a name.
  EXPECT_EQ(TitleToFileName(u"important.html" + Text(1, u'\0') + u"x\x01\x1b\x7f\x85y", now),
            u"important.html_x____y");
}

// Names are cut at a character boundary; NativePath gives "" for a path with NUL.
TEST(FileNames, CutToBytesAndNulPaths) {
  const Text kanji(300, u'漢');  // 3 bytes each
  struct Case {
    Text name;
    size_t max;
    size_t chars;
  };
  const Case cases[] = {
      {kanji, 255, 85}, {kanji, 256, 85},        {kanji, 2, 0},           {u"ab", 2, 2},
      {u"ab", 1, 1},    {u"a\U0001F600b", 4, 1}, {u"a\U0001F600b", 5, 3},  // a surrogate pair stays
                                                                           // whole
  };
  for (const Case& c : cases)
    EXPECT_EQ(CutToBytes(c.name, c.max), c.name.substr(0, c.chars)) << c.max;
  EXPECT_EQ(NativePath(u"/tmp/a" + Text(1, u'\0') + u"b"), "");
}

}  // namespace
}  // namespace pellucor
