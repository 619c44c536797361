// The version-list parser on any bytes: no crash, and what it accepts holds together.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "update/update.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const Text text = DecodeCp932(bytes);
  DownloadList list;
  VersionListResult r = ParseVersionList(text, list);
  if (r != VersionListResult::Ok) {
    if (!list.empty()) std::abort();  // a failed parse keeps nothing
    return 0;
  }
  if (list.empty()) std::abort();
  for (const DownloadEntry& e : list) {
    if (e.comment.empty() || e.state != kStateNone || e.selected) std::abort();
    if (e.kind != kKindBoard && e.kind != kKindOutput && e.kind != kKindOther) std::abort();
    // Every name offered for writing stays in the program folder.
    if (IsPlainFileName(e.file)) {
      for (char16_t c : e.file)
        if (c == u'/' || c == u'\\' || c < 0x20) std::abort();
      if (e.file == u"." || e.file == u"..") std::abort();
    }
  }
  BuildDownloadRows(list);
  return 0;
}
