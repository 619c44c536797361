#include "app/about.h"

#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/format.h"

namespace pellucor {
namespace {

// "MemAvailable" counts reclaimable caches, which is what "available" means to a user.
std::optional<uint64_t> MemAvailableBytes() {
  std::ifstream in("/proc/meminfo");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    std::istringstream fields(line.substr(13));
    uint64_t kb = 0;
    if (fields >> kb) return kb * 1024;
  }
  return std::nullopt;
}

Text Decimal(uint64_t n) {
  return FromUtf8(std::to_string(n));
}

// Whole part of (1 - available / total) x 100; 0 when there is nothing to measure (a machine
// without swap has no paging file).
Text UsagePercent(uint64_t total, uint64_t available) {
  if (total == 0 || available >= total) return u"0";
  return Decimal((total - available) * 100 / total);
}

Text Bytes(uint64_t n) {
  return FormatGrouped(static_cast<int64_t>(n)) + u"Byte";
}

}  // namespace

MachineFacts QueryMachineFacts() {
  MachineFacts f;
  char host[129] = {};
  if (gethostname(host, sizeof host - 1) == 0 && host[0]) f.computer_name = FromUtf8(host);

  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buf(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd pw{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name &&
      found->pw_name[0])
    f.user_name = FromUtf8(found->pw_name);

  struct sysinfo si {};
  if (sysinfo(&si) == 0) {
    uint64_t unit = si.mem_unit ? si.mem_unit : 1;
    f.total_physical = si.totalram * unit;
    f.available_physical = (si.freeram + si.bufferram) * unit;
    f.total_virtual = si.totalswap * unit;
    f.available_virtual = si.freeswap * unit;
  }
  if (auto avail = MemAvailableBytes()) f.available_physical = *avail;
  return f;
}

Text AboutCaption() {
  return u"Pellucor　バージョン情報";
}

Text AboutText(const Text& version_text, int64_t revision, const MachineFacts& facts,
               const Text& program_folder) {
  std::vector<Text> lines;
  lines.push_back(u"Pellucor Version " + version_text + u" (Rev:" +
                  FromUtf8(std::to_string(revision)) + u")");
  lines.push_back(u"掲示板のメッセージをまとめて保存するツールです");
  lines.push_back(u"");
  if (facts.computer_name) lines.push_back(u"コンピュータ名 : " + *facts.computer_name);
  if (facts.user_name) lines.push_back(u"ユーザー名 : " + *facts.user_name);
  lines.push_back(u"全物理メモリ : " + Bytes(facts.total_physical));
  lines.push_back(u"空き物理メモリ : " + Bytes(facts.available_physical));
  lines.push_back(u"メモリ使用率 : " +
                  UsagePercent(facts.total_physical, facts.available_physical) + u"%");
  lines.push_back(u"全仮想メモリ : " + Bytes(facts.total_virtual));
  lines.push_back(u"空き仮想メモリ : " + Bytes(facts.available_virtual));
  lines.push_back(u"仮想ﾒﾓﾘ使用率 : " + UsagePercent(facts.total_virtual, facts.available_virtual) +
                  u"%");
  if (!program_folder.empty()) {
    lines.push_back(u"");
    lines.push_back(u"プログラムフォルダ : " + program_folder);
  }
  Text text;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i) text += kCrLf;
    text += lines[i];
  }
  return text;
}

}  // namespace pellucor
