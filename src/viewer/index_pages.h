// The two HTML pages over a run's files: the list page that links every output file and the
// frameset page that shows the list, the messages and the title index side by side. Each page
// is one line of HTML.
#pragma once

#include <vector>

#include "common/text.h"

namespace pellucor {

// The main-window values the pages depend on.
struct PageSettings {
  bool devide = false;
  int devide_kind = 0;       // Option_devidekind
  Text devide_count;         // Text_devidecnt
  int devide_date_kind = 0;  // Combo_devidedatekind
  Text devide_file_size;     // Text_devidefilesize
};

struct ListPage {
  Text html;
  Text first_message_file;
  Text first_index_file;
  int message_links = 0;
  int index_links = 0;
};

struct FoundFile;

// The list page over the sorted files of the output folder.
ListPage BuildListPage(const Text& base, const std::vector<FoundFile>& sorted,
                       const PageSettings& settings);

// 0: no title index; 1: title index on the left; 2: at the bottom.
enum IndexLayout { kIndexNone = 0, kIndexLeft = 1, kIndexBottom = 2 };

Text BuildFramesetPage(const Text& base, const ListPage& list, bool devide, int index_layout);

}  // namespace pellucor
