#include "platform/xdg_shell.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/scratch_folder.h"

namespace pellucor {
namespace {

// Harmless commands stand in for xdg-open and the editor: nothing opens a window here.
TEST(XdgShell, ReportsTheLaunchResultAndPassesTheFileAsOneArgument) {
  XdgShell ok("true", ""), fails("false", ""), missing("pellucor-no-such-opener", "");
  EXPECT_TRUE(ok.Open(u"/tmp") && ok.Explore(u"/tmp") && ok.Edit(u"/tmp/x.txt"));
  EXPECT_FALSE(fails.Open(u"/tmp") || fails.Explore(u"/tmp") || missing.Open(u"/tmp"));
  EXPECT_FALSE(ok.Open(u""));
  testing::ScratchFolder dir;
  const Text file = dir.Path(u"a b'c \"報告\".txt");
  EXPECT_TRUE(XdgShell("false", "touch").Edit(file));  // the editor, not the opener
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(XdgShell("true", "false").Edit(file));
}

TEST(XdgShell, NeverWaitsForTheLaunchedProgram) {
  testing::ScratchFolder dir;
  dir.Write(u"slow.sh", "#!/bin/sh\nsleep 30\n");
  std::filesystem::permissions(ToUtf8(dir.Path(u"slow.sh")), std::filesystem::perms::owner_all);
  XdgShell shell(ToUtf8(dir.Path(u"slow.sh")), "");
  shell.SetGraceMilliseconds(100);
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(shell.Open(u"/tmp"));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
}  // namespace pellucor
