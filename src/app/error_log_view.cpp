#include "app/error_log_view.h"

#include "common/files.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace pellucor {

void OpenErrorLog(const Text& program_directory, Ui& ui, Shell& shell) {
  const Text path = program_directory + u"error.log";
  if (!FileExists(path)) {
    ui.MessageBox(u"エラーログはありません", kAppCaption, Icon::Information, Buttons::Ok);
    return;
  }
  if (!shell.Edit(path))
    ui.MessageBox(u"開けませんでした", kAppCaption, Icon::Critical, Buttons::Ok);
}

}  // namespace pellucor
