#include "platform/xdg_shell.h"

#include <gtest/gtest.h>

#include <chrono>

#include "support/scratch_folder.h"

namespace pellucor {
namespace {

// Harmless commands stand in for xdg-open and the editor: nothing opens a window here.
TEST(XdgShell, ReportsTheOpenersResult) {
  XdgShell ok("true", "");
  XdgShell fails("false", "");
  XdgShell missing("pellucor-no-such-opener", "");
  EXPECT_TRUE(ok.Open(u"/tmp"));
  EXPECT_TRUE(ok.Explore(u"/tmp"));
  EXPECT_TRUE(ok.Edit(u"/tmp/x.txt"));  // no editor set: the associated program
  EXPECT_FALSE(fails.Open(u"/tmp"));
  EXPECT_FALSE(fails.Explore(u"/tmp"));
  EXPECT_FALSE(missing.Open(u"/tmp"));
  EXPECT_FALSE(ok.Open(u""));
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

TEST(XdgShell, EditorCommandGetsTheFileAsOneArgument) {
  testing::ScratchFolder dir;
  XdgShell shell("false", "touch");
  const Text file = dir.Path(u"a b'c \"報告\".txt");
  EXPECT_TRUE(shell.Edit(file));
  EXPECT_TRUE(FileExists(file));
  XdgShell broken("true", "false");
  EXPECT_FALSE(broken.Edit(file));
}

}  // namespace
}  // namespace pellucor
