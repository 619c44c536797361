// pellu.ini: the main window's remembered values, and the first-run greeting.
#pragma once

#include <utility>
#include <vector>

#include "common/text.h"

namespace pellucor {

class MainForm;
class Ui;

// The 24 keys of section "main", in the order they are written.
extern const char16_t* const kSettingsKeys[24];

// The sample topic proposed to a new user.
extern const Text kDefaultUrl1;

// When neither pellu.ini nor the data folder exists: creates the data folder, beeps and shows
// the greeting. Returns whether it was shown.
bool FirstRunGreeting(const Text& program_directory, Ui& ui);

// The default output path: the data folder followed by "/".
Text DefaultOutputPath(const Text& program_directory);

// Reads every key but bbs_file and out_file into the form, with their defaults. Check boxes and
// options with values outside their range keep the default.
void LoadSettings(MainForm& form, const Text& settings_path, const Text& program_directory);

// The 24 (key, value) pairs in write order, as the closing step writes them. bbs_file and
// out_file are the catalogue file names of the selected entries ("" when none). An option group
// with nothing selected has no pair (it writes nothing).
std::vector<std::pair<Text, Text>> SettingsValues(MainForm& form, const Text& bbs_file,
                                                  const Text& out_file);

// Writes SettingsValues into section "main". Returns false when a write failed.
bool SaveSettings(MainForm& form, const Text& settings_path, const Text& bbs_file,
                  const Text& out_file);

// Sets one key's control from a text, as reading pellu.ini would (bbs_file/out_file are not
// controls and return false, as does an unknown key).
bool ApplySettingValue(MainForm& form, TextView key, const Text& value);

}  // namespace pellucor
