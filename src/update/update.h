// Definition update: the update site's version list, the comparison with the local definition
// files, the download window's rows and choices, and the download with ".bak" backups.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "common/format.h"
#include "common/text.h"

namespace pellucor {

class MainForm;
class Ui;
class HttpClient;
class Clock;

enum DownloadKind { kKindBoard = 1, kKindOutput = 2, kKindOther = 9 };
enum DownloadState { kStateNew = 1, kStateUpdate = 2, kStateNone = 9 };

struct DownloadEntry {
  int kind = 0;  // DownloadKind, by the last 4 characters of `file`, exact case
  Text comment;
  int64_t site_version = 0;
  Text file;
  int state = 0;  // DownloadState
  DateTime local_date;
  bool selected = false;
};
using DownloadList = std::vector<DownloadEntry>;

// Base address of the update site: PELLUCOR_UPDATE_URL when set, else the built-in one;
// always ending in "/".
Text UpdateBaseUrl();

// A listed name that can only ever name a file directly in the program folder: not empty
// after trimming, not "." or "..", no folder separator ("/" or "\") and no control character.
bool IsPlainFileName(TextView name);

enum class VersionListResult { Ok, NoData, Invalid };

// Parses the decoded version list (a CR LF is appended first). On anything but Ok the list is
// left empty: lines before a broken line are discarded with it.
VersionListResult ParseVersionList(TextView text, DownloadList& list);

// Sets state (and local_date) of every entry of `kind` against ProgramDirectory. An entry whose
// name is not a plain file name stays kStateNone, so it is never offered.
void CompareVersions(DownloadList& list, int kind, const Text& program_directory);

// The download window: one row per new or updated entry.
struct DownloadRow {
  Text text;
  size_t slot;  // position in the DownloadList
};
std::vector<DownloadRow> BuildDownloadRows(const DownloadList& list);

// Shown when BuildDownloadRows gives nothing; the window then closes itself.
void ShowNothingToUpdate(Ui& ui);

// The download button: `ticked` holds one flag per row. Marks the ticked entries selected and
// returns true when the window is to close; false keeps it open (nothing ticked, and the user
// did not want to cancel).
bool ConfirmDownloadSelection(Ui& ui, DownloadList& list, const std::vector<DownloadRow>& rows,
                              const std::vector<bool>& ticked);

struct UpdateContext {
  UpdateContext(MainForm& form, Ui& ui, HttpClient& http, Clock& clock, Text program_directory,
                Text base_url)
      : form(form),
        ui(ui),
        http(http),
        clock(clock),
        program_directory(std::move(program_directory)),
        base_url(std::move(base_url)) {}

  MainForm& form;
  Ui& ui;
  HttpClient& http;
  Clock& clock;
  Text program_directory;  // ends in the separator
  Text base_url;           // ends in "/"
  // ApplyNetworkSettings over `http`: false after its own message.
  std::function<bool()> apply_network_settings;
  // SetRunState: lock (true) or release (false) the main window.
  std::function<void(bool running)> set_run_state;
  std::function<void()> refresh_board_catalog;
  std::function<void()> refresh_output_catalog;
  // The modal download window over `list`; it marks the entries to download as selected.
  std::function<void(DownloadList& list)> download_window;
  // Called before each step of the download that changes the disk (tests stop there as a
  // crash would).
  std::function<void()> before_file_step;

  DownloadList list;
};

// Fetches and parses the version list into ctx.list; false when the check must stop (after
// its message).
bool FetchVersionList(UpdateContext& ctx);

// Downloads every selected entry into the program folder. A downloaded file is installed only
// when it loads as a definition of its kind and carries the listed version; otherwise it is a
// failed receive and nothing on disk changes. It is written completely beside the old file and
// takes its place in one rename, after the old one has been copied to file + ".bak". Leftovers
// of an interrupted update are removed first. False when the download ended early (receive
// error, Abort, cancel) or a file was skipped.
bool DownloadSelected(UpdateContext& ctx);

// The whole flow behind the three menu items. False when the check or the download failed.
bool CheckForUpdates(UpdateContext& ctx, bool boards, bool outputs);

}  // namespace pellucor
