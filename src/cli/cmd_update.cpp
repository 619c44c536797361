// pellucor-cli update bbs|out|both [--select all | --select FILE[,FILE...]]: the version check.
// Prints the rows the download window would show; with --select it downloads those rows.
#include <cstdio>
#include <string>

#include "app/form_values.h"
#include "app/network.h"
#include "app/run_command.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "engine/definitions.h"
#include "update/update.h"

namespace pellucor::cli {
namespace {

int Usage(const char* why) {
  std::fprintf(stderr, "pellucor-cli: %s\n", why);
  std::fputs(
      "usage: pellucor-cli update bbs | out | both [--select all | --select FILE[,FILE...]]\n",
      stderr);
  return kExitUsage;
}

std::vector<Text> SplitNames(const std::string& list) {
  std::vector<Text> names;
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(',', start);
    if (comma == std::string::npos) comma = list.size();
    if (comma > start) names.push_back(FromUtf8(list.substr(start, comma - start)));
    start = comma + 1;
  }
  return names;
}

// The position to select after a refresh: the entry of `current` when its file is still listed,
// else the catalogue's own choice.
template <typename Catalog>
int KeptSelection(const Catalog& c, const Text& current) {
  int index = c.entries.empty() ? -1 : c.selected;
  for (size_t i = 0; i < c.entries.size(); ++i)
    if (c.entries[i].file == current) index = static_cast<int>(i);
  return index;
}

int UpdateCommand(Options& options) {
  std::string which;
  const bool select = options.Has("--select");
  const std::string selection = options.Value("--select");
  if (options.Count("--select") > 1) return Usage("--select given twice");
  if (select && selection.empty()) return Usage("--select needs all or a list of files");
  for (const std::string& a : options.args) {
    if (which.empty() && (a == "bbs" || a == "out" || a == "both")) {
      which = a;
    } else {
      return Usage(("unexpected argument " + a).c_str());
    }
  }
  if (which.empty()) return Usage("update needs bbs, out or both");
  const bool boards = which != "out";
  const bool outputs = which != "bbs";

  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  Program& p = session.program();

  UpdateContext ctx(p.ui, p.http, p.clock, p.directory, UpdateBaseUrl());
  BindUpdateToForm(ctx, p.form);
  ctx.apply_network_settings = [&p] { return ApplyNetworkSettings(p.form, p.http, p.ui); };
  ctx.set_run_state = [&p](bool running) { SetRunState(p.form, p.ui, running); };
  // A refresh keeps the entry chosen for this call when its file is still there.
  ctx.refresh_board_catalog = [&p, &session] {
    const Text current = session.BoardFile();
    BoardCatalog c = RefreshBoardCatalog(p.directory, p.settings_path);
    p.catalog.boards = c.entries;
    p.form.Combo_bbs().SetIndex(KeptSelection(c, current));
  };
  ctx.refresh_output_catalog = [&p, &session] {
    const Text current = session.OutputFile();
    OutputCatalog c = RefreshOutputCatalog(p.directory, p.settings_path);
    p.catalog.outputs = c.entries;
    p.form.Combo_out().SetIndex(KeptSelection(c, current));
  };
  bool unknown = false;
  ctx.download_window = [&](DownloadList& list) {
    const std::vector<DownloadRow> rows = BuildDownloadRows(list);
    session.status().Break();
    if (rows.empty()) {
      ShowNothingToUpdate(p.ui);
      return;
    }
    for (const DownloadRow& r : rows) std::printf("%s\n", ToUtf8(r.text).c_str());
    std::fflush(stdout);
    if (!select) return;
    std::vector<bool> ticked(rows.size(), selection == "all");
    if (selection != "all") {
      for (const Text& name : SplitNames(selection)) {
        bool found = false;
        for (size_t r = 0; r < rows.size(); ++r) {
          if (list[rows[r].slot].file == name) ticked[r] = found = true;
        }
        if (!found) {
          std::fprintf(stderr, "pellucor-cli: %s is not offered for download\n",
                       ToUtf8(name).c_str());
          unknown = true;
        }
      }
    }
    // Nothing ticked is the same as leaving the window with its back button.
    bool any = false;
    for (bool t : ticked) any = any || t;
    if (any) ConfirmDownloadSelection(p.ui, list, rows, ticked);
  };
  const bool ok = CheckForUpdates(ctx, boards, outputs);
  session.status().Break();
  const bool saved = session.Close();
  return ok && !unknown && saved ? kExitOk : kExitEarly;
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "update",
    .rank = 40,
    .usage = "  update bbs | out | both [--select all | --select FILE[,FILE...]]\n",
    .help = "usage: pellucor-cli [OPTIONS] update bbs | out | both [--select all | --select "
            "FILE[,FILE...]]\n"
            "Compares the board definitions (bbs), the output types (out) or both with the update\n"
            "site and lists them; with --select downloads the newer ones into the program folder,\n"
            "keeping the old file as FILE.bak. PELLUCOR_UPDATE_URL names another update site.\n"
            "  --select all              every file that is newer there\n"
            "  --select FILE[,FILE...]   the files named\n",
    .flags = {{"--select", true}},
    .run = UpdateCommand,
});

}  // namespace
}  // namespace pellucor::cli
