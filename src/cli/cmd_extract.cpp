// pellucor-cli extract: checks a board definition against a saved message page, without
// fetching anything. Prints every item the definition cuts out of the page.
#include <cstdio>
#include <string>

#include "app/program.h"
#include "cli/cli.h"
#include "common/files.h"
#include "common/numeric.h"
#include "engine/decode.h"
#include "engine/definitions.h"
#include "engine/extract.h"

namespace pellucor::cli {
namespace {

// CR, LF and TAB written as \r \n \t so that each item stays on one line.
std::string Escaped(const Text& value) {
  std::string out;
  for (char c : ToUtf8(value)) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

int Usage(const std::string& why) {
  std::fprintf(stderr, "pellucor-cli extract: %s\n", why.c_str());
  std::fputs(
      "usage: pellucor-cli extract [--home DIR] --bbs_file=FILE [--out_file=FILE] "
      "[--charchange=N] PAGEFILE\n",
      stderr);
  return kExitUsage;
}

// A definition named with a folder is read from there; a bare name from the program folder.
void Locate(const std::string& arg, const Text& home, Text& folder, Text& file) {
  Text t = FromUtf8(arg);
  if (t.find(kSep) == Text::npos) {
    folder = home;
    file = t;
  } else {
    folder = FolderPart(t);
    file = NamePart(t);
  }
}

int Extract(Options& opts) {
  const std::string bbs = opts.Value("--bbs_file"), out = opts.Value("--out_file");
  const std::string charchange = opts.Value("--charchange");
  const bool has_charchange = opts.Has("--charchange");
  if (opts.args.size() > 1) return Usage("only one page file");
  const std::string page_file = opts.args.empty() ? std::string() : opts.args[0];
  if (bbs.empty()) return Usage("--bbs_file is required");
  if (page_file.empty()) return Usage("a page file is required");
  int cc = -1;
  if (has_charchange) {
    Text t = FromUtf8(charchange);
    if (!IsNumericText(t) || WholeValue(t) < 0 || WholeValue(t) > 2)
      return Usage("--charchange must be 0 (EUC-JP), 1 (Shift_JIS) or 2 (JIS)");
    cc = static_cast<int>(WholeValue(t));
  }

  ConsoleUi ui(opts.mode);
  const Text home = OpenProgramFolder(opts.home, ui).directory;
  BoardEntry board;
  Text board_folder;
  Locate(bbs, home, board_folder, board.file);
  Result<BoardDefinition> def = LoadBoardDefinition(board, board_folder);
  if (!def) {
    ShowDefinitionError(ui, def.error());
    return kExitUsage;
  }
  Text output_special;
  if (!out.empty()) {
    OutputEntry entry;
    Text folder;
    Locate(out, home, folder, entry.file);
    Result<OutputType> type = LoadOutputType(entry, folder);
    if (!type) {
      ShowDefinitionError(ui, type.error());
      return kExitUsage;
    }
    output_special = type->special;
  }

  std::optional<std::string> bytes = ReadFileBytes(FromUtf8(page_file));
  if (!bytes) return Usage("cannot read the page file " + page_file);

  Text page = PreparePage(DecodePage(*bytes, cc >= 0 ? cc : def->charchange), *def);
  std::vector<Text> values = ExtractItems(page, *def);
  const bool found = !AllItemsEmpty(values);
  Text topic;
  CleanUpItems(values, *def, output_special, topic);
  for (size_t i = 0; i < values.size(); ++i)
    std::printf("%s=%s\n", ToUtf8(def->items[i].name).c_str(), Escaped(values[i]).c_str());
  std::printf("topic=%s\n", Escaped(topic).c_str());
  std::fflush(stdout);
  return found ? kExitOk : kExitEarly;
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "extract",
    .rank = 60,
    .usage = "  extract --bbs_file=FILE [--out_file=FILE] [--charchange=N] PAGEFILE\n"
             "                            check a board definition against a saved page\n",
    .help =
        "usage: pellucor-cli extract --bbs_file=FILE [--out_file=FILE] [--charchange=N] PAGEFILE\n"
        "Checks a board definition against a page saved from the board, without fetching: prints\n"
        "one name=value line per item and the topic title.\n"
        "  --bbs_file=FILE   the definition; a bare name is read from the program folder\n"
        "  --out_file=FILE   an output type whose switches apply\n"
        "  --charchange=N    the page's character code: 0 EUC-JP, 1 Shift_JIS, 2 JIS\n"
        "Exit status: 0 an item was found, 1 none, 2 the definition was rejected.\n",
    .flags = {{"--bbs_file", true}, {"--out_file", true}, {"--charchange", true}},
    .run = Extract,
});

}  // namespace
}  // namespace pellucor::cli
