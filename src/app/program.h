// Program-wide state: the values fixed at start and the services every command works through.
// One Program lives as long as the main window (or one pellucor-cli call).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "common/text.h"
#include "common/version.h"
#include "engine/definitions.h"
#include "history/store.h"

namespace pellucor {

class Ui;
class Clock;
class HttpClient;
class Shell;
class MainForm;
class RunJournal;

// Where the program keeps pellu.ini, record.dat, data/, error.log and the definitions.
enum class FolderKind {
  Portable,      // the executable's folder, which holds a definition file
  Installed,     // $XDG_DATA_HOME/pellucor/, fed from the shipped definitions
  HomeOption,    // --home DIR
  HomeVariable,  // PELLUCOR_HOME
};

struct ProgramFolder {
  Text directory;  // ending in "/"
  FolderKind kind = FolderKind::Portable;
  Text shipped_definitions;  // Installed: <prefix>/share/pellucor/defs/, else ""
};

// What the choice depends on; an empty text stands for an unset variable.
struct FolderInputs {
  std::string home_option;        // --home
  std::string home_variable;      // PELLUCOR_HOME
  std::string xdg_data_home;      // XDG_DATA_HOME
  std::string user_home;          // HOME (the passwd entry when unset)
  std::string executable_folder;  // ending in "/"
};

// The inputs of this process: the environment and /proc/self/exe.
FolderInputs CurrentFolderInputs(const std::string& home_option = {});

// --home, then PELLUCOR_HOME, then the executable's folder when it holds a *.bbs, else
// $XDG_DATA_HOME/pellucor/ (XDG_DATA_HOME counts only when absolute; default
// ~/.local/share). Relative folders are taken from the current folder.
ProgramFolder LocateProgramFolder(const FolderInputs& in);

// For an installed folder: creates it and copies every shipped *.bbs and *.out that is missing
// there, never over a file the user has. Returns the names that could not be copied, each
// with the reason. Other kinds are left alone.
std::vector<Text> PrepareProgramFolder(const ProgramFolder& folder);

// "/home/me/.local/share/pellucor/（インストール）": the folder and how it was chosen, for
// the About box.
Text DescribeProgramFolder(const Text& directory, FolderKind kind);

// LocateProgramFolder(CurrentFolderInputs(home)).directory.
Text ProgramDirectory(const std::string& home = {});

// What a front end does at start: locates the folder and prepares it, telling the user (a
// notice) which shipped definitions could not be copied.
ProgramFolder OpenProgramFolder(const std::string& home, Ui& ui);

// ProgramDirectory + "pellu.ini".
Text SettingsFilePath(const Text& program_directory);

// ProgramDirectory + "data" (no trailing separator).
Text DataFolder(const Text& program_directory);

struct Program {
  Program(Text directory, Ui& ui, Clock& clock, HttpClient& http, Shell& shell, MainForm& form);

  Text directory;      // ProgramDirectory
  Text settings_path;  // SettingsFilePath
  Text version;        // VersionText
  Text history_path;   // record.dat in the program directory
  FolderKind folder_kind = FolderKind::Portable;
  HistoryList history;
  HistoryList history_base;   // the history as last loaded or saved (what a save merges from)
  DefinitionCatalog catalog;  // the entries behind Combo_bbs and Combo_out

  Ui& ui;
  Clock& clock;
  HttpClient& http;
  Shell& shell;
  MainForm& form;  // also holds the cancel request (form.cancel_requested)
  // A run sends the next message's request while it works on the current one. The front ends
  // turn it on; off, a run is strictly one request after the other.
  bool overlap = false;

  // The journal of the last run: kept (locked) until the settings have been saved after it.
  std::shared_ptr<RunJournal> journal;
};

}  // namespace pellucor
