// The help of each pellucor-cli command: `pellucor-cli help COMMAND`, `pellucor-cli COMMAND
// --help`.
#include <cstring>

#include "cli/cli.h"

namespace pellucor::cli {
namespace {

struct CommandHelpText {
  const char* name;
  const char* text;
};

constexpr CommandHelpText kHelp[] = {
    {"run",
     "usage: pellucor-cli [OPTIONS] [--KEY=VALUE ...] run\n"
     "One collection run, as the Run button does it: fetches the messages from --from to --to\n"
     "(or up to the newest with --maxmsg=1) of the topic --url1 + N + --url2 and writes them\n"
     "through the output type into --outfile. A job found in the history continues where it\n"
     "stopped. Afterwards the settings go back to pellu.ini (from moved past the last message)\n"
     "and the job to record.dat.\n"
     "  --bbs_file=FILE   board definition (*.bbs in the program folder)\n"
     "  --out_file=FILE   output type (*.out in the program folder)\n"
     "  --KEY=VALUE       any other settings key, for this call (pellucor-cli settings)\n"
     "  --wait=SECONDS    pause between requests to one host, remembered (default 0)\n"
     "Exit status: 0 finished, 1 ended early, 2 usage error, 130 cancelled (Ctrl-C).\n"},
    {"view",
     "usage: pellucor-cli [OPTIONS] view [--open]\n"
     "The result viewer: over a split series writes the list and frameset pages; prints the\n"
     "file to open.\n"
     "  --open   also open it with the desktop's program for it\n"},
    {"history",
     "usage: pellucor-cli [OPTIONS] history list | show N | delete N | comment N TEXT | set N\n"
     "                                   | patrol N on|off\n"
     "The jobs kept in record.dat, newest first, numbered from 1.\n"
     "  list             one line per job\n"
     "  show N           job N in detail\n"
     "  delete N         remove job N\n"
     "  comment N TEXT   set the comment of job N\n"
     "  set N            put job N back into pellu.ini: the next run continues it\n"
     "  patrol N on|off  mark job N for patrol, or unmark it (\"*\" after its number)\n"},
    {"check",
     "usage: pellucor-cli [OPTIONS] check [--all | N ...] [--wait=SECONDS]\n"
     "How many messages each job's board has beyond the job's last collected one: the marked\n"
     "jobs, every job (--all) or the jobs numbered as history list shows them. One line per\n"
     "job, TAB-separated: number, title, last collected, newest on the board, new. Nothing is\n"
     "written.\n"
     "  --wait=SECONDS   pause between requests to one host (default 1; fractions allowed)\n"
     "Exit status: 0 every job checked, 1 a check failed, 2 usage error, 130 cancelled.\n"},
    {"patrol",
     "usage: pellucor-cli [OPTIONS] patrol [--all | N ...] [--wait=SECONDS]\n"
     "Continues the marked jobs (every job with --all, or the ones numbered) one after another,\n"
     "each as history set N and a run up to the board's newest message would: the same file\n"
     "or series, appended to, the history updated. Asks nothing; whatever would ask ends that\n"
     "job. pellu.ini is left as it was. One summary line per job on stdout, TAB-separated:\n"
     "number, title, messages added, outcome (完了, 中断: reason, キャンセル, 未実行).\n"
     "  --wait=SECONDS   pause between requests to one host (default 1; fractions allowed)\n"
     "Exit status: 0 every job finished, 1 any ended early, 2 usage error, 130 cancelled.\n"},
    {"update",
     "usage: pellucor-cli [OPTIONS] update bbs | out | both [--select all | --select "
     "FILE[,FILE...]]\n"
     "Compares the board definitions (bbs), the output types (out) or both with the update\n"
     "site and lists them; with --select downloads the newer ones into the program folder,\n"
     "keeping the old file as FILE.bak. PELLUCOR_UPDATE_URL names another update site.\n"
     "  --select all              every file that is newer there\n"
     "  --select FILE[,FILE...]   the files named\n"},
    {"settings",
     "usage: pellucor-cli [OPTIONS] [--KEY=VALUE ...] settings\n"
     "Prints the 24 keys of pellu.ini in their write order, as they stand with the --KEY=VALUE\n"
     "overrides (nothing is written), and on stderr the program folder in use.\n"},
    {"extract",
     "usage: pellucor-cli extract --bbs_file=FILE [--out_file=FILE] [--charchange=N] PAGEFILE\n"
     "Checks a board definition against a page saved from the board, without fetching: prints\n"
     "one name=value line per item and the topic title.\n"
     "  --bbs_file=FILE   the definition; a bare name is read from the program folder\n"
     "  --out_file=FILE   an output type whose switches apply\n"
     "  --charchange=N    the page's character code: 0 EUC-JP, 1 Shift_JIS, 2 JIS\n"
     "Exit status: 0 an item was found, 1 none, 2 the definition was rejected.\n"},
    {"help",
     "usage: pellucor-cli help [COMMAND]\n"
     "Describes one command with its options, or lists the commands.\n"},
};

constexpr char kOptions[] =
    "OPTIONS (before or after the command):\n"
    "  --home DIR   the program folder (else PELLUCOR_HOME, the executable's folder when it\n"
    "               holds a *.bbs, else $XDG_DATA_HOME/pellucor/)\n"
    "  --yes, --no  answer every question so; otherwise a terminal asks (without one: No)\n"
    "  --quiet      no status line\n";

}  // namespace

int ShowHelp(const std::string& command) {
  if (command.empty()) {
    PrintUsage(stdout);
    return kExitOk;
  }
  for (const auto& h : kHelp) {
    if (command != h.name) continue;
    std::fputs(h.text, stdout);
    if (std::strcmp(h.name, "help") != 0) std::fputs(kOptions, stdout);
    return kExitOk;
  }
  std::fprintf(stderr, "pellucor-cli: unknown command %s\n", command.c_str());
  PrintUsage(stderr);
  return kExitUsage;
}

}  // namespace pellucor::cli
