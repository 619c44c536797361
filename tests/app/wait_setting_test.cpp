#include "app/wait_setting.h"

#include <gtest/gtest.h>

#include "app/main_form.h"
#include "app/settings.h"
#include "common/deffile.h"
#include "support/scratch_folder.h"

namespace pellucor {
namespace {

TEST(WaitSetting, LivesBesideTheMainKeysWithItsDefaults) {
  testing::ScratchFolder dir;
  const Text ini = dir.Path(u"pellu.ini");
  EXPECT_EQ(LoadWaitSetting(ini, false), 0);
  EXPECT_EQ(LoadWaitSetting(ini, true), 1000);
  MemoryForm form;
  ASSERT_TRUE(SaveSettings(form, ini, u"_yahoo.bbs", u"_html.out"));
  const std::string main_only = dir.Read(u"pellu.ini");
  ASSERT_TRUE(SaveWaitSetting(ini, 500, false));
  ASSERT_TRUE(SaveWaitSetting(ini, 2250, true));
  // The section of the 24 keys is untouched; the waits follow it in a section of their own.
  EXPECT_EQ(dir.Read(u"pellu.ini"), main_only + "[pellucor]\r\nwait=0.5\r\npatrolwait=2.25\r\n");
  EXPECT_EQ(LoadWaitSetting(ini, false), 500);
  EXPECT_EQ(LoadWaitSetting(ini, true), 2250);
  // Saving the main keys again keeps the waits.
  ASSERT_TRUE(SaveSettings(form, ini, u"_yahoo.bbs", u"_html.out"));
  EXPECT_EQ(LoadWaitSetting(ini, false), 500);
  ASSERT_TRUE(WriteDefinitionValue(u"pellucor", u"wait", u"soon", ini));
  EXPECT_EQ(LoadWaitSetting(ini, false), 0);
  EXPECT_EQ(WaitText(1000) + u"," + WaitText(0) + u"," + WaitText(1050), u"1,0,1.05");
}

}  // namespace
}  // namespace pellucor
