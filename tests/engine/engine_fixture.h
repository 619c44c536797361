// Shared pieces of the engine tests: a scratch folder with CP932 files, and recording hooks.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/search.h"
#include "engine/pipeline.h"
#include "support/scratch_folder.h"

namespace pellucor::testing {

class ScratchDir : public ::testing::Test {
 protected:
  Text Path(const Text& name) const { return dir_ + name; }
  // A CP932 file of lines ending in CR LF, given with "|" between them.
  void WriteLines(const Text& name, const Text& lines) const {
    folder_.Write(name, EncodeCp932(ReplaceAll(lines, u"|", u"\r\n") + u"\r\n"));
  }
  std::string Bytes(const Text& name) const { return ReadFileBytes(Path(name)).value_or("<none>"); }

  ScratchFolder folder_;
  Text dir_ = folder_.Dir();
};

struct RecordingHooks : RunHooks {
  std::vector<std::string> calls;
  std::optional<HistoryCarry> LookUp(const Job&) override { return std::nullopt; }
  bool Claim(const Job&) override { return true; }
  void UpdateHistory(const Job&, const RunState&) override { calls.push_back("update"); }
  void SaveHistory() override { calls.push_back("save"); }
  void ShowResult() override { calls.push_back("show"); }
  RunCheckpoint* Checkpoint(const RunEnv&) override { return nullptr; }
};

}  // namespace pellucor::testing
