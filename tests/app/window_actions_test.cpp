#include "app/window_actions.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/about.h"
#include "app/program.h"

namespace pellucor {
namespace {

TEST(FirstMessageAddress, NumberIsWrittenPlain) {
  MemoryForm form;
  form.Text_url1().SetValue(u"http://b/x?mid=");
  form.Text_url2().SetValue(u"&t=1");
  form.Text_from().SetValue(u"007");
  EXPECT_EQ(FirstMessageAddress(form), u"http://b/x?mid=7&t=1");
  form.Text_from().SetValue(u"abc");
  EXPECT_EQ(FirstMessageAddress(form), u"http://b/x?mid=0&t=1");
}

TEST(OutputPickers, StartFolderFiltersPreselectionAndResults) {
  EXPECT_EQ(PickerStartFolder(u"/home/u/data/out.html") + u"|" + PickerStartFolder(u"/out.html") +
                u"|" + PickerStartFolder(u"out.html"),
            u"/home/u/data|/|");
  EXPECT_EQ(OutputFileFilters(u"html").at(0).pattern, u"*.html");
  EXPECT_EQ(ChosenFilePath(Text(u"  /a/b.html ") + u'\0' + u"junk"), u"/a/b.html");
  EXPECT_EQ(ChosenFolderPath(u"/a/b") + ChosenFolderPath(u"/"), u"/a/b//");
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "pellucor_picker_test";
  fs::create_directories(dir / "sub");
  Text base = FromUtf8(dir.string());
  // An existing folder loses only its trailing separator.
  EXPECT_EQ(FolderPickerPreselection(base + u"/sub/"), base + u"/sub");
  // A file name (no such folder) is cut back to its folder.
  EXPECT_EQ(FolderPickerPreselection(base + u"/sub/out.html"), base + u"/sub");
  // Too long for the picker: the first 128 characters.
  Text longer = base + u"/" + Text(300, u'あ');
  EXPECT_EQ(FolderPickerPreselection(longer + u"/x").size(), 128u);
  fs::remove_all(dir);
}

TEST(AboutBox, LinesAndFigures) {
  MachineFacts f;
  f.computer_name = u"host1";
  f.total_physical = 8'589'934'592;  // beyond 32 bits: shown in full
  f.available_physical = 2'147'483'648;
  // No user name: the line is left out. No swap: no division by zero.
  EXPECT_EQ(
      AboutText(u"1.00", 42, f,
                DescribeProgramFolder(u"/h/.local/share/pellucor/", FolderKind::Installed)),
      u"Pellucor Version 1.00 (Rev:42)\r\n掲示板のメッセージをまとめて保存するツールです\r\n\r\n"
      u"コンピュータ名 : host1\r\n全物理メモリ : 8,589,934,592Byte\r\n"
      u"空き物理メモリ : 2,147,483,648Byte\r\nメモリ使用率 : 75%\r\n全仮想メモリ : 0Byte\r\n"
      u"空き仮想メモリ : 0Byte\r\n仮想ﾒﾓﾘ使用率 : 0%\r\n\r\n"
      u"プログラムフォルダ : /h/.local/share/pellucor/（インストール）");
  f = QueryMachineFacts();
  EXPECT_TRUE(f.computer_name && f.user_name);
  EXPECT_GT(f.total_physical, 0u);
  EXPECT_LE(f.available_physical, f.total_physical);
}

}  // namespace
}  // namespace pellucor
