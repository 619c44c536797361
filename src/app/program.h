// Program-wide state: the values fixed at start and the services every command works through.
// One Program lives as long as the main window (or one pellucor-cli call).
#pragma once

#include <string>

#include "common/text.h"
#include "engine/definitions.h"
#include "history/store.h"

namespace pellucor {

class Ui;
class Clock;
class HttpClient;
class Shell;
class MainForm;

// The folder of the running executable ending in "/"; PELLUCOR_HOME, or `home` when not
// empty, overrides it (a trailing "/" is added when missing).
Text ProgramDirectory(const std::string& home = {});

// ProgramDirectory + "pellu.ini".
Text SettingsFilePath(const Text& program_directory);

// Major "." minor in two digits: 1.5 -> "1.05".
Text VersionText(int major, int minor);
Text VersionText();  // of this build

// ProgramDirectory + "data" (no trailing separator).
Text DataFolder(const Text& program_directory);

struct Program {
  Program(Text directory, Ui& ui, Clock& clock, HttpClient& http, Shell& shell, MainForm& form);

  Text directory;      // ProgramDirectory
  Text settings_path;  // SettingsFilePath
  Text version;        // VersionText
  Text history_path;   // record.dat in the program directory
  HistoryList history;
  DefinitionCatalog catalog;  // the entries behind Combo_bbs and Combo_out

  Ui& ui;
  Clock& clock;
  HttpClient& http;
  Shell& shell;
  MainForm& form;  // also holds the cancel request (form.cancel_requested)
};

}  // namespace pellucor
