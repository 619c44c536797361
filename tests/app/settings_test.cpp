#include "app/settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "app/main_form.h"
#include "app/network.h"
#include "app/program.h"
#include "common/deffile.h"
#include "common/files.h"
#include "platform/http.h"
#include "support/scripted_ui.h"

namespace pellucor {
namespace {

namespace fs = std::filesystem;

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("pellucor_settings_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    home_ = FromUtf8(dir_.string() + "/");
    ini_ = SettingsFilePath(home_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path dir_;
  Text home_, ini_;
  testing::ScriptedUi ui_;
};

TEST(Program, DirectoryVersionAndPaths) {
  EXPECT_EQ(VersionText(1, 5), u"1.05");
  EXPECT_EQ(VersionText(2, 12), u"2.12");
  EXPECT_EQ(VersionText(1, 0), u"1.00");
  EXPECT_EQ(ProgramDirectory("/opt/p"), u"/opt/p/");
  EXPECT_EQ(ProgramDirectory("/"), u"/");
  EXPECT_EQ(SettingsFilePath(u"/"), u"/pellu.ini");
  EXPECT_EQ(DataFolder(u"/opt/p/"), u"/opt/p/data");
  ::setenv("PELLUCOR_HOME", "/srv/pellucor", 1);
  EXPECT_EQ(ProgramDirectory(), u"/srv/pellucor/");
  EXPECT_EQ(ProgramDirectory("/x"), u"/x/");  // --home wins
  ::unsetenv("PELLUCOR_HOME");
  Text exe = ProgramDirectory();
  EXPECT_EQ(exe.front(), u'/');
  EXPECT_EQ(exe.back(), u'/');
}

TEST_F(Settings, FreshStartTakesTheDefaults) {
  MemoryForm form;
  LoadSettings(form, ini_, home_);
  EXPECT_EQ(form.Text_url1().Value(), kDefaultUrl1);
  EXPECT_EQ(form.Text_url2().Value(), u"");
  EXPECT_EQ(form.Text_from().Value(), u"1");
  EXPECT_EQ(form.Text_to().Value(), u"100");
  EXPECT_EQ(form.Text_Timeout().Value(), u"15");
  EXPECT_EQ(form.Text_Retry().Value(), u"100");
  EXPECT_EQ(form.Text_devidecnt().Value(), u"1000");
  EXPECT_EQ(form.Text_devidefilesize().Value(), u"1000");
  EXPECT_EQ(form.Text_out().Value(), home_ + u"data/");
  EXPECT_EQ(form.Check_MaxMsg().Value(), 1);
  EXPECT_EQ(form.Check_TopicToFilename().Value(), 1);
  EXPECT_EQ(form.Check_devide().Value(), 0);
  EXPECT_EQ(form.Option_Proxy().Index(), 0);
  EXPECT_EQ(form.Option_Error().Index(), 1);
  EXPECT_EQ(form.Option_devidekind().Index(), 0);
  EXPECT_EQ(form.Combo_devidedatekind().Index(), 0);
  EXPECT_FALSE(FolderExists(DataFolder(home_)));  // only the greeting creates it
}

TEST_F(Settings, WritesTheKeysInOrderAndRestoresThemExactly) {
  MemoryForm form;
  LoadSettings(form, ini_, home_);
  form.Text_url2().SetValue(u"  &tail ");
  form.Text_Proxy_address().SetValue(u" 10.0.0.1 ");
  form.Option_Proxy().SetIndex(2);
  form.Check_Error_Log().SetValue(1);
  form.Combo_devidedatekind().SetIndex(2);
  ASSERT_TRUE(SaveSettings(form, ini_, u"_yahoo.bbs", u"_html.out"));

  auto values = SettingsValues(form, u"_yahoo.bbs", u"_html.out");
  ASSERT_EQ(values.size(), 24u);
  for (size_t i = 0; i < 24; ++i) EXPECT_EQ(values[i].first, kSettingsKeys[i]);
  std::string text = *ReadFileBytes(ini_);
  size_t last = 0;
  for (const auto& [key, value] : values) {
    size_t at = text.find(EncodeCp932(u"\r\n" + key + u"=" + value + u"\r\n"));
    ASSERT_NE(at, std::string::npos) << ToUtf8(key);
    EXPECT_GE(at, last) << ToUtf8(key);
    last = at;
  }
  EXPECT_EQ(ReadDefinitionValue(u"main", u"bbs_file", u"", ini_), u"_yahoo.bbs");

  MemoryForm again;
  LoadSettings(again, ini_, home_);
  EXPECT_EQ(SettingsValues(again, u"_yahoo.bbs", u"_html.out"), values);
}

TEST_F(Settings, OddValuesInTheFile) {
  ASSERT_TRUE(WriteFileAtomic(ini_,
                              "[main]\r\nproxy=2x\r\nerror=\r\nurl2=\r\nmaxmsg=7\r\n"
                              "devidekind=5\r\nread=1.0\r\n"));
  MemoryForm form;
  form.Text_url2().SetValue(u"x");
  LoadSettings(form, ini_, home_);
  EXPECT_EQ(form.Option_Proxy().Index(), 2);  // the leading number counts
  EXPECT_EQ(form.Option_Error().Index(), 0);  // empty reads as 0
  EXPECT_EQ(form.Text_url2().Value(), u"");   // present but empty: not the default
  EXPECT_EQ(form.Check_MaxMsg().Value(), 1);  // out of range: default
  EXPECT_EQ(form.Option_devidekind().Index(), 0);
  EXPECT_EQ(form.Check_Read().Value(), 1);
  // An option group with nothing selected writes nothing.
  form.Option_Error().SetIndex(-1);
  auto values = SettingsValues(form, u"", u"");
  EXPECT_EQ(values.size(), 23u);
}

TEST_F(Settings, GreetingOnlyWhenBothAreMissing) {
  ASSERT_TRUE(WriteFileAtomic(ini_, "[main]\r\n"));
  EXPECT_FALSE(FirstRunGreeting(home_, ui_));
  EXPECT_FALSE(FolderExists(DataFolder(home_)));
  fs::remove(dir_ / "pellu.ini");
  fs::create_directories(dir_ / "data");
  EXPECT_FALSE(FirstRunGreeting(home_, ui_));
  EXPECT_TRUE(ui_.messages.empty());
  fs::remove(dir_ / "data");

  EXPECT_TRUE(FirstRunGreeting(home_, ui_));
  EXPECT_TRUE(FolderExists(DataFolder(home_)));
  ASSERT_EQ(ui_.messages.size(), 1u);
  EXPECT_EQ(ui_.messages[0].icon, Icon::Information);
  EXPECT_EQ(ui_.messages[0].caption, u"Pellucor");
  EXPECT_EQ(ui_.messages[0].text.substr(0, 31),
            u"Pellucorをご利用いただきありがとうございます。\r\n初回");
  EXPECT_EQ(ui_.beeps, 1);
  EXPECT_FALSE(FirstRunGreeting(home_, ui_));  // the data folder now exists
}

class RecordingHttp : public HttpClient {
 public:
  int access = -1;
  Text proxy;
  int timeout = -1;
  void SetAccessType(int type) override { access = type; }
  void SetProxy(const Text& p) override { proxy = p; }
  void SetTimeout(int s) override { timeout = s; }
  FetchResult Fetch(const Text&, const std::function<bool()>&) override { return {}; }
};

TEST(Network, AppliesModesProxyAndTimeout) {
  MemoryForm form;
  testing::ScriptedUi ui;
  RecordingHttp http;
  form.Text_Timeout().SetValue(u"2.5");
  form.Option_Proxy().SetIndex(1);
  form.Text_Proxy_address().SetValue(u" 10.1.1.1 ");
  form.Text_Proxy_port().SetValue(u" 3128");
  EXPECT_TRUE(ApplyNetworkSettings(form, http, ui));
  EXPECT_EQ(http.access, 1);
  EXPECT_EQ(http.proxy, u"");
  EXPECT_EQ(http.timeout, 2);
  form.Text_Timeout().SetValue(u"3.5");
  form.Option_Proxy().SetIndex(2);
  EXPECT_TRUE(ApplyNetworkSettings(form, http, ui));
  EXPECT_EQ(http.access, 2);
  EXPECT_EQ(http.proxy, u"10.1.1.1:3128");
  EXPECT_EQ(http.timeout, 4);
  EXPECT_EQ(NetworkLabelText(form), u"ﾌﾟﾛｷｼ(使用する 10.1.1.1 : 3128) ﾀｲﾑｱｳﾄ(3.5秒) ﾘﾄﾗｲ(100回)");

  form.Text_Proxy_port().SetValue(u"");
  http.access = -1;
  EXPECT_FALSE(ApplyNetworkSettings(form, http, ui));
  form.Text_Proxy_address().SetValue(u"");
  EXPECT_FALSE(ApplyNetworkSettings(form, http, ui));
  EXPECT_EQ(http.access, -1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].text, u"プロキシサーバのポートを設定してください");
  EXPECT_EQ(ui.messages[1].text, u"プロキシサーバのIPアドレスを設定してください");
  EXPECT_EQ(ui.messages[1].icon, Icon::Critical);

  form.Option_Proxy().SetIndex(0);
  form.Text_Timeout().SetValue(u"15");
  UpdateNetworkLabel(form);
  EXPECT_EQ(form.Label_Network().Value(), u"ﾌﾟﾛｷｼ(既定値を使用) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(100回)");
  form.Option_Proxy().SetIndex(1);
  EXPECT_EQ(NetworkLabelText(form), u"ﾌﾟﾛｷｼ(使用しない) ﾀｲﾑｱｳﾄ(15秒) ﾘﾄﾗｲ(100回)");
}

}  // namespace
}  // namespace pellucor
