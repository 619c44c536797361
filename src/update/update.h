// Definition update: the version check against the update site and the download of the chosen
// files with ".bak" backups. Nothing here touches a window: the front end hands in the values
// of its controls and the hooks it wants called, from whichever thread runs the update.
#pragma once

#include <functional>
#include <utility>

#include "common/text.h"
#include "update/update_messages.h"
#include "update/version_list.h"

namespace pellucor {

class HttpClient;
class Clock;

// Base address of the update site: PELLUCOR_UPDATE_URL when set, else the built-in one;
// always ending in "/".
Text UpdateBaseUrl();

struct UpdateContext {
  UpdateContext(Ui& ui, HttpClient& http, Clock& clock, Text program_directory, Text base_url)
      : ui(ui),
        http(http),
        clock(clock),
        program_directory(std::move(program_directory)),
        base_url(std::move(base_url)) {}

  Ui& ui;
  HttpClient& http;
  Clock& clock;
  Text program_directory;  // ends in the separator
  Text base_url;           // ends in "/"
  Text timeout;            // the time-out as typed (Text_Timeout), checked before the fetch
  Text retry;              // the retry count as typed (Text_Retry)
  // The cancel request (CancelRequested); empty: never.
  std::function<bool()> cancelled;
  // The status line (Label_status).
  std::function<void(const Text&)> status;
  // ApplyNetworkSettings over `http`: false after its own message.
  std::function<bool()> apply_network_settings;
  // SetRunState: lock (true) or release (false) the front end; empty: only the busy pointer.
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
