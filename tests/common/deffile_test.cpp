#include "common/deffile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/files.h"

namespace pellucor {
namespace {

class DefFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pellucor-def-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    path_ = FromUtf8(dir_ + "/t.ini");
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  void Write(std::string_view bytes) { ASSERT_TRUE(WriteFileAtomic(path_, bytes)); }
  Text Value(TextView section, TextView key) {
    return ReadDefinitionValue(section, key, u"DEF", path_);
  }
  Text Section(TextView section) { return ReadDefinitionSection(section, u"DEF", path_); }
  std::string Bytes() { return ReadFileBytes(path_).value_or("<none>"); }
  std::string dir_;
  Text path_;
};

TEST_F(DefFile, ReadsValues) {
  Write(
      "top=0\r\n"
      "  [basic]  \r\n"
      "name=a=b\r\n"
      "name=second\r\n"
      " indented=1\r\n"
      "Case=1\r\n"
      "empty=\r\n"
      "sp= x \r\n"
      "lf=a\nb\r\n"
      "\x8A\xBF=\x8E\x9A\r\n"
      "[ other ]\r\n"
      "only2=2\r\n"
      "[basic]\r\n"
      "late=1\r\n"
      "[cr]\r"
      "last=end");
  EXPECT_EQ(Value(u"basic", u"name"), u"a=b");
  EXPECT_EQ(Value(u"basic", u"top"), u"DEF");  // before any header
  EXPECT_EQ(Value(u"basic", u"indented"), u"DEF");
  EXPECT_EQ(Value(u"basic", u"case"), u"DEF");
  EXPECT_EQ(Value(u"basic", u"empty"), u"");
  EXPECT_EQ(Value(u"basic", u"sp"), u" x ");
  EXPECT_EQ(Value(u"basic", u"lf"), u"a\nb");  // a lone LF does not end the line
  EXPECT_EQ(Value(u"basic", u"漢"), u"字");
  EXPECT_EQ(Value(u"basic", u"only2"), u"DEF");
  EXPECT_EQ(Value(u"basic", u"late"), u"DEF");   // second section of the same name
  EXPECT_EQ(Value(u"other", u"only2"), u"DEF");  // spaces inside the brackets count
  EXPECT_EQ(Value(u" other ", u"only2"), u"2");
  EXPECT_EQ(Value(u"cr", u"last"), u"end");  // lone CR ends a line; last line unterminated
  EXPECT_EQ(Value(u"Basic", u"name"), u"DEF");
  EXPECT_EQ(ReadDefinitionValue(u"basic", u"name", u"D", u"/no/such/file"), u"D");
}

TEST_F(DefFile, ReadsSections) {
  Write("[html1]\r\n<a>\r\n\r\n  b \r\nk=v\r\n [x] \r\nafter\r\n[empty]\r\n");
  EXPECT_EQ(Section(u"html1"), u"<a>  b k=v");
  EXPECT_EQ(Section(u"empty"), u"");
  EXPECT_EQ(Section(u"absent"), u"");
  EXPECT_EQ(ReadDefinitionSection(u"html1", u"D", u"/no/such/file"), u"D");
}

TEST_F(DefFile, WriteReplacesKeepingEverythingElse) {
  const std::string before =
      "; note\r\n[main]\r\nurl1=old\r\nurl1=dup\r\n  x = y \r\n[other]\r\nurl1=keep\rtail";
  Write(before);
  ASSERT_TRUE(WriteDefinitionValue(u"main", u"url1", u"新しい", path_));
  EXPECT_EQ(Bytes(),
            "; note\r\n[main]\r\nurl1=\x90\x56\x82\xB5\x82\xA2\r\nurl1=dup\r\n  x = y \r\n"
            "[other]\r\nurl1=keep\rtail");
  EXPECT_EQ(Value(u"main", u"url1"), u"新しい");
  EXPECT_EQ(Value(u"other", u"url1"), u"keep");
}

TEST_F(DefFile, WriteAddsKeyAtSectionEnd) {
  Write("[a]\r\nk=1\r\n\r\n[b]\r\nz=2");
  ASSERT_TRUE(WriteDefinitionValue(u"a", u"n", u" v ", path_));
  EXPECT_EQ(Bytes(), "[a]\r\nk=1\r\nn= v \r\n\r\n[b]\r\nz=2");
  ASSERT_TRUE(WriteDefinitionValue(u"b", u"n", u"", path_));
  EXPECT_EQ(Bytes(), "[a]\r\nk=1\r\nn= v \r\n\r\n[b]\r\nz=2\r\nn=\r\n");
  EXPECT_EQ(Value(u"b", u"n"), u"");
  EXPECT_EQ(Value(u"a", u"n"), u" v ");
}

TEST_F(DefFile, WriteCreatesSectionAndFile) {
  ASSERT_TRUE(WriteDefinitionValue(u"main", u"k", u"1", path_));
  EXPECT_EQ(Bytes(), "[main]\r\nk=1\r\n");
  Write("x=1");
  ASSERT_TRUE(WriteDefinitionValue(u"main", u"k", u"a=b", path_));
  EXPECT_EQ(Bytes(), "x=1\r\n[main]\r\nk=a=b\r\n");
  EXPECT_EQ(Value(u"main", u"k"), u"a=b");
}

TEST_F(DefFile, WriteRefusesWhatCannotBeReadBack) {
  Write("[main]\r\nk=1\r\n");
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"k", u"a\rb", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"", u"v", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"a=b", u"v", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"[k", u"v]", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"k", u"v", FromUtf8(dir_ + "/no/such")));
  EXPECT_EQ(Bytes(), "[main]\r\nk=1\r\n");
  ASSERT_TRUE(WriteDefinitionValue(u"main", u"k", u"a\nb", path_));
  EXPECT_EQ(Value(u"main", u"k"), u"a\nb");
}

}  // namespace
}  // namespace pellucor
