// pellucor-cli update bbs|out|both [--select all | --select FILE[,FILE...]]: the version check.
// Prints the rows the download window would show; with --select it downloads those rows.
#include <cstdio>
#include <string>

#include "app/form_values.h"
#include "app/network.h"
#include "cli/cli.h"
#include "cli/session.h"
#include "engine/definitions.h"
#include "app/run_command.h"
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
  bool select = false;
  std::string selection;
  for (size_t i = 0; i < options.args.size(); ++i) {
    const std::string& a = options.args[i];
    if (a.rfind("--bbs_file=", 0) == 0 || a.rfind("--out_file=", 0) == 0) continue;
    if (a == "--select" || a.rfind("--select=", 0) == 0) {
      if (select) return Usage("--select given twice");
      select = true;
      if (a.size() > 8) {
        selection = a.substr(9);
      } else if (i + 1 < options.args.size()) {
        selection = options.args[++i];
      }
      if (selection.empty()) return Usage("--select needs all or a list of files");
    } else if (which.empty() && (a == "bbs" || a == "out" || a == "both")) {
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

[[maybe_unused]] const bool registered = RegisterCommand("update", UpdateCommand);

}  // namespace
}  // namespace pellucor::cli
