// A fresh folder under the system's temporary folder, removed with everything in it when the
// test ends.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/files.h"
#include "common/text.h"

namespace pellucor::testing {

class ScratchFolder {
 public:
  ScratchFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "pellucor-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) std::abort();
    path_ = tmpl;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  // The folder as a Text ending in the separator.
  Text Dir() const { return FromUtf8(path_) + kSep; }
  Text Path(const Text& name) const { return Dir() + name; }

  // Writes raw bytes to a file of the folder (sub-folders are created).
  void Write(const Text& name, std::string_view bytes) const {
    std::filesystem::path p = std::filesystem::path(path_) / ToUtf8(name);
    std::filesystem::create_directories(p.parent_path());
    if (!WriteFileAtomic(Path(name), bytes)) std::abort();
  }
  std::string Read(const Text& name) const { return ReadFileBytes(Path(name)).value_or(""); }
  bool Exists(const Text& name) const { return FileExists(Path(name)); }

 private:
  std::string path_;
};

}  // namespace pellucor::testing
