// The history loader on any record.dat content: what it reads is saved and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "history/store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace pellucor;
  HistoryList list;
  ParseHistory(std::string_view(reinterpret_cast<const char*>(data), size), list, size % 2 == 0);
  if (list.empty()) return 0;
  std::string saved = SerializeHistory(list);
  HistoryList again;
  if (ParseHistory(saved, again, size % 2 == 0) != HistoryLoad::Loaded) std::abort();
  // Fields keep their text unless it held line breaks (stored as spaces) or characters code
  // page 932 cannot hold; the number of records never changes.
  if (again.size() > list.size()) std::abort();
  return 0;
}
