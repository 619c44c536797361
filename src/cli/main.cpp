// pellucor-cli: the headless front end.
#include <cstdio>
#include <cstring>

static const char kUsage[] =
    "usage: pellucor-cli [--home DIR] [--yes | --no] [--quiet] [--KEY=VALUE ...] COMMAND\n"
    "  run                       one collection run\n"
    "  view [--open]             write the result pages, print the target path\n"
    "  history list | show N | delete N | comment N TEXT | set N\n"
    "  update bbs | out | both [--select all | --select FILE[,FILE...]]\n"
    "  settings                  print the settings keys in their write order\n"
    "  extract --bbs_file=FILE [--out_file=FILE] [--charchange=N] PAGEFILE\n";

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  std::fputs(kUsage, stderr);
  return 2;
}
