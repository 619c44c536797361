// Shared pieces of the engine tests: a scratch folder, CP932 files, and recording hooks.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/files.h"
#include "common/text.h"
#include "engine/pipeline.h"
#include "platform/shell.h"

namespace pellucor::testing {

class ScratchDir : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/pellucor-engine-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = FromUtf8(tmpl) + u"/";
  }
  void TearDown() override { std::filesystem::remove_all(NativePath(dir_)); }

  Text Path(const Text& name) const { return dir_ + name; }

  // Lines joined with CR LF, written as CP932.
  void WriteLines(const Text& name, const std::vector<Text>& lines) const {
    Text all;
    for (const Text& l : lines) all += l + u"\r\n";
    ASSERT_TRUE(WriteFileAtomic(Path(name), EncodeCp932(all)));
  }
  void WriteBytes(const Text& name, const std::string& bytes) const {
    ASSERT_TRUE(WriteFileAtomic(Path(name), bytes));
  }
  std::string Bytes(const Text& name) const { return ReadFileBytes(Path(name)).value_or("<none>"); }

  Text dir_;
};

struct RecordingHooks : RunHooks {
  std::vector<std::string> calls;
  void UpdateHistory(RunState& st) override {
    calls.push_back("update");
    if (st.history_index < 0) st.history_index = 0;
  }
  void SaveHistory() override { calls.push_back("save"); }
  void ShowResult() override { calls.push_back("show"); }
};

struct RecordingShell : Shell {
  std::vector<Text> opened;
  bool Open(const Text& target) override {
    opened.push_back(target);
    return true;
  }
  bool Edit(const Text& file) override { return Open(file); }
  bool Explore(const Text& folder) override { return Open(folder); }
};

// CP932 bytes of a text, for exact expectations.
inline std::string Sjis(const Text& t) {
  return EncodeCp932(t);
}

}  // namespace pellucor::testing
