// Loading any file as a board definition and as an output type: no crash, and a loaded board
// definition always satisfies its checks.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/files.h"
#include "engine/definitions.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  static const std::string dir = "/tmp/pellucor-fuzz-boarddef-" + std::to_string(getpid()) + "/";
  static const int made = [] {
    CreateFolder(FromUtf8(dir));
    std::atexit([] {
      std::remove((dir + "f.bbs").c_str());
      std::remove(dir.c_str());
    });
    return 0;
  }();
  (void)made;
  FILE* f = std::fopen((dir + "f.bbs").c_str(), "wb");
  if (!f) return 0;
  std::fwrite(data, 1, size, f);
  std::fclose(f);

  BoardEntry be;
  be.file = u"f.bbs";
  if (auto d = LoadBoardDefinition(be, FromUtf8(dir))) {
    if (d->item_cnt < 1 || d->item_cnt > 10 || d->items.size() != static_cast<size_t>(d->item_cnt))
      std::abort();
    if (d->msg_keta < 0 || d->msg_keta > 20 || d->charchange < 0 || d->charchange > 2) std::abort();
    if (d->changewords.size() != static_cast<size_t>(d->changeword_cnt)) std::abort();
    for (int pos : {d->title_item, d->subject_item, d->body_item, d->date_item, d->maxmsg_item})
      if (pos < -1 || pos >= d->item_cnt) std::abort();
  }
  OutputEntry oe;
  oe.file = u"f.bbs";
  (void)LoadOutputType(oe, FromUtf8(dir));
  return 0;
}
