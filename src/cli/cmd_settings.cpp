// pellucor-cli settings: the 24 keys of pellu.ini in their write order, as they stand after the
// --KEY=VALUE overrides, and which program folder holds them.
#include "app/settings.h"
#include "cli/cli.h"
#include "cli/session.h"

namespace pellucor::cli {
namespace {

int SettingsCommand(Options& options) {
  Session session(options);
  if (int status = session.Open(); status != kExitOk) return status;
  for (const auto& a : options.args) {
    std::fprintf(stderr, "pellucor-cli: settings takes no argument: %s\n", a.c_str());
    return kExitUsage;
  }
  // On stderr, so that stdout stays the 24 lines of pellu.ini.
  const char* how = "portable: the program's own folder";
  switch (session.program().folder_kind) {
    case FolderKind::Portable:
      break;
    case FolderKind::Installed:
      how = "installed: the user's data folder";
      break;
    case FolderKind::HomeOption:
      how = "chosen by --home";
      break;
    case FolderKind::HomeVariable:
      how = "chosen by PELLUCOR_HOME";
      break;
  }
  std::fprintf(stderr, "program folder: %s (%s)\n", ToUtf8(session.program().directory).c_str(),
               how);
  for (const auto& [key, value] :
       SettingsValues(session.form(), session.BoardFile(), session.OutputFile()))
    std::printf("%s=%s\n", ToUtf8(key).c_str(), ToUtf8(value).c_str());
  return kExitOk;
}

[[maybe_unused]] const bool registered = RegisterCommand({
    .name = "settings",
    .rank = 50,
    .usage = "  settings                  print the settings keys in their write order\n",
    .help =
        "usage: pellucor-cli [OPTIONS] [--KEY=VALUE ...] settings\n"
        "Prints the 24 keys of pellu.ini in their write order, as they stand with the --KEY=VALUE\n"
        "overrides (nothing is written), and on stderr the program folder in use.\n",
    .flags = {},
    .run = SettingsCommand,
});

}  // namespace
}  // namespace pellucor::cli
