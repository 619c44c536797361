// The About box's text: version, build revision and the machine's name, user and memory.
#pragma once

#include <cstdint>
#include <optional>

#include "common/text.h"

namespace pellucor {

struct MachineFacts {
  std::optional<Text> computer_name;
  std::optional<Text> user_name;
  uint64_t total_physical = 0;
  uint64_t available_physical = 0;
  uint64_t total_virtual = 0;  // swap stands for the paging file
  uint64_t available_virtual = 0;
};

// gethostname, the passwd entry of the effective user, sysinfo and /proc/meminfo.
MachineFacts QueryMachineFacts();

// "Pellucor　バージョン情報"
Text AboutCaption();

// The lines of the About box joined by CR LF; then an empty line and "プログラムフォルダ : "
// with `program_folder` (DescribeProgramFolder), when it is not empty.
Text AboutText(const Text& version_text, int64_t revision, const MachineFacts& facts,
               const Text& program_folder = {});

// The support page opened from the help menu.
inline constexpr char16_t kSupportPageUrl[] = u"https://pellucor.example.org/support/";

}  // namespace pellucor
