#include "common/deffile.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/scratch_folder.h"

namespace pellucor {
namespace {

class DefFile : public ::testing::Test {
 protected:
  testing::ScratchFolder scratch_;
  const Text path_ = scratch_.Path(u"t.ini");
  void Write(std::string_view bytes) { scratch_.Write(u"t.ini", bytes); }
  std::string Bytes() { return scratch_.Read(u"t.ini"); }
  Text Value(TextView section, TextView key) {
    return ReadDefinitionValue(section, key, u"DEF", path_);
  }
};

// CR LF or a lone CR ends a line, a lone LF does not; only the first section of a name and the
// first line of a key count; names match exactly (case, spaces inside the brackets); values are
// not trimmed.
TEST_F(DefFile, Reads) {
  Write(
      "top=0\r\n  [basic]  \r\nname=a=b\r\nname=second\r\n indented=1\r\nCase=1\r\n"
      "empty=\r\nsp= x \r\nlf=a\nb\r\n\x8A\xBF=\x8E\x9A\r\n"
      "[ other ]\r\nonly2=2\r\n[basic]\r\nlate=1\r\n[cr]\rlast=end");
  const std::tuple<const char16_t*, const char16_t*, const char16_t*> cases[] = {
      {u"basic", u"name", u"a=b"}, {u"basic", u"top", u"DEF"},   {u"basic", u"indented", u"DEF"},
      {u"basic", u"case", u"DEF"}, {u"basic", u"empty", u""},    {u"basic", u"sp", u" x "},
      {u"basic", u"lf", u"a\nb"},  {u"basic", u"漢", u"字"},     {u"basic", u"only2", u"DEF"},
      {u"basic", u"late", u"DEF"}, {u"other", u"only2", u"DEF"}, {u" other ", u"only2", u"2"},
      {u"cr", u"last", u"end"},    {u"Basic", u"name", u"DEF"}};
  for (const auto& [section, key, want] : cases)
    EXPECT_EQ(Value(section, key), want) << ToUtf8(section) << "/" << ToUtf8(key);
  EXPECT_EQ(ReadDefinitionValue(u"basic", u"name", u"D", u"/no/such/file"), u"D");

  // A section's body lines are joined without separators, up to the next header.
  Write("[html1]\r\n<a>\r\n\r\n  b \r\nk=v\r\n [x] \r\nafter\r\n[empty]\r\n");
  EXPECT_EQ(ReadDefinitionSection(u"html1", u"D", path_), u"<a>  b k=v");
  EXPECT_EQ(ReadDefinitionSection(u"empty", u"D", path_), u"");
  EXPECT_EQ(ReadDefinitionSection(u"absent", u"D", path_), u"");
  EXPECT_EQ(ReadDefinitionSection(u"html1", u"D", u"/no/such/file"), u"D");
}

// A write replaces the key's first line in the first section of the name, or adds the key after
// the section's last non-empty line, or adds the section at the end; every other byte stays.
TEST_F(DefFile, WritesKeepingEverythingElse) {
  // The bytes before (nullptr: no file), the section, key and value written, the bytes after.
  const std::tuple<const char*, const char16_t*, const char16_t*, const char16_t*, const char*>
      cases[] = {
          {"; note\r\n[main]\r\nurl1=old\r\nurl1=dup\r\n  x = y \r\n[other]\r\nurl1=keep\rtail",
           u"main", u"url1", u"新しい",
           "; note\r\n[main]\r\nurl1=\x90\x56\x82\xB5\x82\xA2\r\nurl1=dup\r\n  x = y \r\n"
           "[other]\r\nurl1=keep\rtail"},
          {"[a]\r\nk=1\r\n\r\n[b]\r\nz=2", u"a", u"n", u" v ",
           "[a]\r\nk=1\r\nn= v \r\n\r\n[b]\r\nz=2"},
          {"[a]\r\n\r\n[b]\r\nz=2", u"b", u"n", u"", "[a]\r\n\r\n[b]\r\nz=2\r\nn=\r\n"},
          {nullptr, u"main", u"k", u"1", "[main]\r\nk=1\r\n"},
          {"x=1", u"main", u"k", u"a=b", "x=1\r\n[main]\r\nk=a=b\r\n"},
          {"[main]\r\nk=1\r\n", u"main", u"k", u"a\nb", "[main]\r\nk=a\nb\r\n"}};
  for (const auto& [before, section, key, value, after] : cases) {
    SCOPED_TRACE(ToUtf8(value));
    DeleteFile(path_);
    if (before) Write(before);
    ASSERT_TRUE(WriteDefinitionValue(section, key, value, path_));
    EXPECT_EQ(Bytes(), after);
    EXPECT_EQ(Value(section, key), value);  // read back exactly
  }
}

// What could not be read back as written is refused, and the file is left alone.
TEST_F(DefFile, WriteRefusesWhatCannotBeReadBack) {
  Write("[main]\r\nk=1\r\n");
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"k", u"a\rb", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"", u"v", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"a=b", u"v", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"[k", u"v]", path_));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"k", u"v", scratch_.Path(u"no/such")));
  EXPECT_FALSE(WriteDefinitionValue(u"main", u"k", u"v", scratch_.Dir()));  // a folder
  EXPECT_EQ(Bytes(), "[main]\r\nk=1\r\n");
  // A key beginning with LF after a line that ends in a lone CR (a fuzzer's find).
  const std::string lone_crs =
      "basic\n[base\r\n[basic]\r@[ba]\r\nb\xEE"
      "a\r\r\n";
  Write(lone_crs);
  EXPECT_FALSE(WriteDefinitionValue(u"basic", u"\n[base", u"v=1 \n値", path_));
  EXPECT_EQ(Bytes(), lone_crs);
}

// A "]" that is the second byte of a double-byte character does not close a header; a long
// line never is one; a file without CR is read line by line only for the settings.
TEST_F(DefFile, HeadersAtByteLevelAndLfOnlySettings) {
  Write("[s]\r\nk=1\r\n[\x81]\r\nk2=2\r\n[\x81\x81]\r\nk3=3\r\n[" + std::string(100000, 'x') +
        "]\r\nk4=4");
  EXPECT_EQ(std::tuple(Value(u"s", u"k2"), Value(u"s", u"k3"), Value(u"s", u"k4")),
            std::tuple(Text(u"2"), Text(u"DEF"), Text(u"DEF")));
  Write("[main]\nfrom=7\nto=9\n");
  EXPECT_EQ(std::pair(Value(u"main", u"from"), ReadSettingsValue(u"main", u"to", u"D", path_)),
            std::pair(Text(u"DEF"), Text(u"9")));
  ASSERT_TRUE(WriteDefinitionValue(u"main", u"to", u"10", path_));
  EXPECT_EQ(Bytes(), "[main]\r\nfrom=7\r\nto=10\r\n");
}

}  // namespace
}  // namespace pellucor
