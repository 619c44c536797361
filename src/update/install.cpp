#include "update/install.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "common/deffile.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/definitions.h"

namespace pellucor {
namespace {

// What an update interrupted by a crash can leave in the program folder: the downloaded file
// not yet moved into place (NAME.download) and the temporary files of the atomic writes
// (NAME.download.tmpXXXXXX, NAME.bak.tmpXXXXXX), for NAME a .bbs or .out file.
bool IsUpdateLeftover(TextView name) {
  auto definition = [](TextView t) { return t.ends_with(u".bbs") || t.ends_with(u".out"); };
  size_t tmp = name.rfind(u".tmp");
  if (tmp != TextView::npos && name.size() - tmp == 10) {
    TextView stem = name.substr(0, tmp);
    if (stem.ends_with(kDownloadSuffix)) return definition(stem.substr(0, stem.size() - 9));
    if (stem.ends_with(u".bak")) return definition(stem.substr(0, stem.size() - 4));
    return false;
  }
  return name.ends_with(kDownloadSuffix) && definition(name.substr(0, name.size() - 9));
}

}  // namespace

// Whether the file at `folder` + `name` loads as a definition of `kind` with the loader and
// checks of a run.
bool LoadsAsDefinition(int kind, const Text& folder, const Text& name) {
  if (kind == kKindBoard)
    return LoadBoardDefinition(BoardEntry{name, {}, {}, {}, {}, {}}, folder).ok();
  return LoadOutputType(OutputEntry{name, {}, {}}, folder).ok();
}

// A downloaded file is installed only when it loads and carries the version that the list
// advertised: an error page or a cut-off transfer never takes a working file's place.
bool IsInstallable(const DownloadEntry& e, const Text& folder, const Text& name) {
  if (!LoadsAsDefinition(e.kind, folder, name)) return false;
  const Text absent = u"\x01";
  const Text version = ReadDefinitionValue(u"basic", u"version", absent, folder + name);
  return version != absent && WholeValue(version) == e.site_version;
}

void RemoveUpdateLeftovers(const Text& folder) {
  std::error_code ec;
  std::filesystem::directory_iterator it(NativePath(folder), ec), end;
  std::vector<Text> names;
  for (; !ec && it != end; it.increment(ec)) {
    Text name = FromUtf8(it->path().filename().string());
    if (IsUpdateLeftover(name)) names.push_back(std::move(name));
  }
  for (const Text& name : names)
    if (FileExists(folder + name)) DeleteFile(folder + name);
}

Result<> CopyToBackup(const Text& path, const Text& backup) {
  std::optional<std::string> old = ReadFileBytes(path);
  if (!old) return Error{0, u"cannot read " + path};
  return WriteFileAtomic(backup, *old);
}

}  // namespace pellucor
