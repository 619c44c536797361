#include "app/settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/main_form.h"
#include "app/network.h"
#include "app/program.h"
#include "common/files.h"
#include "support/run_fixture.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

std::string Joined(const std::vector<std::pair<Text, Text>>& values, const char* end) {
  std::string all;
  for (const auto& [key, value] : values) all += ToUtf8(key + u"=" + value) + end;
  return all;
}

class Settings : public ::testing::Test {
 protected:
  testing::ScratchFolder dir;
  Text home = dir.Dir(), ini = SettingsFilePath(home);
  testing::ScriptedUi ui;
  MemoryForm form;
};

// Which folder is chosen is LocateProgramFolder's table below; here the environment is read.
TEST(Program, VersionAndHomeVariable) {
  EXPECT_EQ(VersionText(1, 5), u"1.05");
  ::setenv("PELLUCOR_HOME", "/srv/pellucor", 1);
  EXPECT_EQ(ProgramDirectory() + u"|" + ProgramDirectory("/"), u"/srv/pellucor/|/");  // --home wins
  ::unsetenv("PELLUCOR_HOME");
}

TEST(Program, FolderChoice) {
  testing::ScratchFolder portable, bare;
  portable.Write(u"_yahoo.bbs", "");
  bare.Write(u"_html.out", "");  // output types alone do not make a portable copy
  const std::string p = ToUtf8(portable.Dir()), b = ToUtf8(bare.Dir());
  struct Row {
    FolderInputs in;
    FolderKind kind;
    std::string directory;
  };
  const Row rows[] = {
      {{"/opt/h", "/srv/p", "/x", "/home/u", p}, FolderKind::HomeOption, "/opt/h/"},
      {{"", "/srv/p/", "/x", "/home/u", p}, FolderKind::HomeVariable, "/srv/p/"},
      {{"", "", "/x", "/home/u", p}, FolderKind::Portable, p},
      {{"", "", "/x//", "/home/u", b}, FolderKind::Installed, "/x/pellucor/"},
      // A relative XDG_DATA_HOME is invalid: the default under HOME is used.
      {{"", "", "rel", "/home/u", b}, FolderKind::Installed, "/home/u/.local/share/pellucor/"},
      {{"", "", "", "/home/u/", b}, FolderKind::Installed, "/home/u/.local/share/pellucor/"},
  };
  for (const Row& r : rows) {
    ProgramFolder f = LocateProgramFolder(r.in);
    EXPECT_EQ(std::tuple(f.kind, ToUtf8(f.directory)), std::tuple(r.kind, r.directory))
        << r.in.executable_folder;
    EXPECT_EQ(f.shipped_definitions.empty(), r.kind != FolderKind::Installed);
  }
  EXPECT_EQ(LocateProgramFolder({"", "", "", "/h", b}).shipped_definitions,
            bare.Dir() + u"../share/pellucor/defs/");
}

// Reading them back, control by control: tests/gui/main_window_test.cpp.
TEST_F(Settings, DefaultsAndValuesInWriteOrder) {
  LoadSettings(form, ini, home);
  EXPECT_FALSE(FolderExists(DataFolder(home)));  // only the greeting creates it
  EXPECT_EQ(Joined(SettingsValues(form, u"b", u"o"), "\n"),
            "url1=" + ToUtf8(kDefaultUrl1) +
                "\nurl2=\nfrom=1\nto=100\nip=192.168.0.1\nport=8080\ntimeout=15\nretry=100\n"
                "outfile=" +
                ToUtf8(home) +
                "data/\nlog=0\nbbs_file=b\nout_file=o\nread=0\n"
                "maxmsg=1\ntopictofilename=1\ndevide=0\ndevidecnt=1000\nproxy=0\nerror=1\n"
                "devidekind=0\ndevidedatekind=0\ndevidefilesize=1000\ncreatetitleindex=0\n"
                "nooutblank=0\n");

  form.Text_url2().SetValue(u"  &tail ");
  form.Text_Proxy_address().SetValue(u" 10.0.0.1 ");
  form.Option_Proxy().SetIndex(2);
  form.Check_Error_Log().SetValue(1);
  form.Combo_devidedatekind().SetIndex(2);
  ASSERT_TRUE(SaveSettings(form, ini, u"_yahoo.bbs", u"_html.out"));
  auto values = SettingsValues(form, u"_yahoo.bbs", u"_html.out");
  EXPECT_EQ(ReadFileBytes(ini), EncodeCp932(FromUtf8("[main]\r\n" + Joined(values, "\r\n"))));
}

TEST_F(Settings, OddValuesInTheFile) {
  ASSERT_TRUE(WriteFileAtomic(ini,
                              "[main]\r\nproxy=2x\r\nerror=\r\nurl2=\r\nmaxmsg=7\r\n"
                              "devidekind=5\r\nread=1.0\r\n"));
  form.Text_url2().SetValue(u"x");
  LoadSettings(form, ini, home);
  // The leading number counts, empty reads as 0, present but empty is not the default, out of
  // range is the default.
  EXPECT_EQ(std::tuple(form.Option_Proxy().Index(), form.Option_Error().Index(),
                       form.Text_url2().Value(), form.Check_MaxMsg().Value(),
                       form.Option_devidekind().Index(), form.Check_Read().Value()),
            std::tuple(2, 0, Text(), 1, 0, 1));
  form.Option_Error().SetIndex(-1);  // nothing selected writes nothing
  EXPECT_EQ(SettingsValues(form, u"", u"").size(), 23u);
}

// A pellu.ini edited on Linux: read line by line, and written back whole with CR LF.
TEST_F(Settings, LfOnlyFileIsReadAndKept) {
  ASSERT_TRUE(WriteFileAtomic(ini, "; mine\n[main]\nfrom=1e309\nurl2=&x\nbbs_file=b.bbs\n"));
  LoadSettings(form, ini, home);
  EXPECT_EQ(std::pair(form.Text_from().Value(), form.Text_url2().Value()),
            std::pair(Text(u"1e309"), Text(u"&x")));
  ASSERT_TRUE(SaveSettings(form, ini, u"b.bbs", u"o.out"));
  const std::string saved = ReadFileBytes(ini).value_or("");
  const std::string kept = "; mine\r\n[main]\r\nfrom=1e309\r\nurl2=&x\r\nbbs_file=b.bbs\r\n";
  EXPECT_EQ(saved.substr(0, kept.size()), kept);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\n'), 26);
  EXPECT_EQ(std::count(saved.begin(), saved.end(), '\r'), 26);
}

// When it is shown (neither the settings file nor the data folder): tests/gui/main_window_test.cpp.
TEST_F(Settings, GreetingBox) {
  EXPECT_TRUE(FirstRunGreeting(home, ui));
  EXPECT_EQ(std::tuple(ui.messages.at(0).icon, ui.messages[0].caption, ui.beeps,
                       ui.messages[0].text.substr(0, 31)),
            std::tuple(Icon::Information, u"Pellucor", 1,
                       u"Pellucorをご利用いただきありがとうございます。\r\n初回"));
}

TEST_F(Settings, NetworkModesProxyTimeOutAndLabel) {
  testing::FakeHttp http;
  form.Text_Proxy_address().SetValue(u" 10.1.1.1 ");
  form.Text_Proxy_port().SetValue(u" 3128");
  const struct {
    int mode;
    const char16_t* timeout;
    int seconds;
    const char16_t* proxy;
    const char* label;
  } cases[] = {{0, u"15", 15, u"", "ﾌﾟﾛｷｼ(既定値を使用) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(100回)"},
               {1, u"2.5", 2, u"", "ﾌﾟﾛｷｼ(使用しない) ﾀｲﾑｱｳﾄ(2.5秒) ﾘﾄﾗｲ(100回)"},
               {2, u"3.5", 4, u"10.1.1.1:3128",
                "ﾌﾟﾛｷｼ(使用する 10.1.1.1 : 3128) ﾀｲﾑｱｳﾄ(3.5秒) ﾘﾄﾗｲ(100回)"}};
  for (const auto& c : cases) {
    form.Option_Proxy().SetIndex(c.mode);
    form.Text_Timeout().SetValue(c.timeout);
    http.proxy = u"";
    EXPECT_TRUE(ApplyNetworkSettings(form, http, ui));
    EXPECT_EQ(std::tuple(http.access, http.timeout, http.proxy),
              std::tuple(c.mode, c.seconds, Text(c.proxy)));
    UpdateNetworkLabel(form);
    EXPECT_EQ(ToUtf8(form.Label_Network().Value()), c.label);
  }
  // A named proxy without its port: nothing is applied (without its address: the run checks).
  http.access = -1;
  form.Text_Proxy_port().SetValue(u"");
  EXPECT_FALSE(ApplyNetworkSettings(form, http, ui));
  EXPECT_EQ(http.access, -1);
  EXPECT_EQ(ui.Texts(), std::vector<std::string>{"プロキシサーバのポートを設定してください"});
  EXPECT_EQ(ui.messages[0].icon, Icon::Critical);
}

}  // namespace
}  // namespace pellucor
