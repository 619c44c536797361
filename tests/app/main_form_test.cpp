#include <gtest/gtest.h>

#include "app/main_form.h"

namespace pellucor {
namespace {

TEST(MemoryForm, StartsWithDesignTimeValuesAndRecordsStatus) {
  MemoryForm form;
  EXPECT_EQ(form.Text_to().Value(), u"100");
  EXPECT_EQ(form.Text_devidecnt().Value(), u"1000");
  EXPECT_EQ(form.Combo_bbs().Index(), -1);
  EXPECT_TRUE(form.cancel_requested);
  form.Label_status().SetValue(u"初期設定");
  form.Label_status().SetValue(u"");
  ASSERT_EQ(form.status_history.size(), 2u);
  EXPECT_EQ(form.status_history[0], u"初期設定");
  EXPECT_EQ(form.AllControls().size(), 27u);
}

}  // namespace
}  // namespace pellucor
