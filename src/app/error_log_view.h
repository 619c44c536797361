// The "ログ" button of the main window.
#pragma once

#include "common/text.h"

namespace pellucor {

class Ui;
class Shell;

// Opens error.log of the program folder in the text editor; says "エラーログはありません" when
// there is none, and "開けませんでした" when the editor could not be started.
void OpenErrorLog(const Text& program_directory, Ui& ui, Shell& shell);

}  // namespace pellucor
