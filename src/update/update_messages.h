// Every message and question of the definition update, worded in one place.
#pragma once

#include <vector>

#include "common/error.h"
#include "common/text.h"
#include "platform/ui.h"
#include "update/version_list.h"

namespace pellucor {

enum class UpdateMessage {
  TimeoutMissing,  // "タイムアウト値を設定してください"
  TimeoutRange,    // "正しいタイムアウト値（1～300）を設定してください"
  RetryRange,      // "正しいリトライ回数（0～1000）を設定してください"
  Cancelled,       // "処理を中断します。"
  ReceiveError,    // the four lines of a failed receive
  NoData,          // a version list without any line
  InvalidData,     // a version list line with too few fields
  Finished,        // "処理が完了しました"
};

// The message box of `message`: an error, or the notice of a finished download.
void ShowUpdateMessage(Ui& ui, UpdateMessage message);

// Shown when BuildDownloadRows gives nothing; the window then closes itself.
void ShowNothingToUpdate(Ui& ui);

// The download button: `ticked` holds one flag per row. Marks the ticked entries selected and
// returns true when the window is to close; false keeps it open (nothing ticked, and the user
// did not want to cancel).
bool ConfirmDownloadSelection(Ui& ui, DownloadList& list, const std::vector<DownloadRow>& rows,
                              const std::vector<bool>& ticked);

// Abort/Retry/Ignore after a failed fetch: the transfer's description.
Recovery AskAfterFetchFailure(Ui& ui, const Text& error);

// Abort/Retry/Ignore after a failed file operation: the system's text and the file concerned.
Recovery AskAfterFileFailure(Ui& ui, const Error& error, const Text& file);

}  // namespace pellucor
