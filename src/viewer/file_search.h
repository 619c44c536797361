// The viewer's look into the output folder: the files of a run, found by a name pattern and
// put in the order the list page shows them.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "platform/ui.h"

namespace pellucor {

// One file found by SearchFile: the sub-folder below the search folder ("" for the search
// folder itself) and the file name.
struct FoundFile {
  Text sub_folder;
  Text name;
  friend bool operator==(const FoundFile&, const FoundFile&) = default;
};
using FileList = std::vector<FoundFile>;

// The question after a folder could not be read: Retry reads it again, Skip keeps what was
// read, Abort ends the search.
using AskAfterSearchError = std::function<Recovery(const Error&)>;

// Appends the files of search_folder + sub_folder whose names match `pattern` ("" or "*": all;
// "x*", "*x", "*x*": begins with, ends with, contains x, ignoring ASCII case) and returns the
// new count; -1 when the answer to a file-system error was Abort.
int64_t SearchFile(const AskAfterSearchError& ask, const Text& search_folder,
                   const Text& sub_folder, bool recursive, FileList& results, int64_t count,
                   const Text& pattern);

// Sub-folder and name in lower case with a space between; compared by character code.
Text FileSortKey(const FoundFile& f);

// In-place quicksort of the entries low..high (inclusive) by FileSortKey.
void SortFileList(FileList& list, int64_t low, int64_t high);

}  // namespace pellucor
