// Form_download: the new and updated definition files, each with a check box.
#pragma once

#include <QDialog>
#include <vector>

#include "update/update.h"

class QListWidget;

namespace pellucor::gui {

class Form_download : public QDialog {
  Q_OBJECT

 public:
  Form_download(DownloadList& list, Ui& ui, QWidget* parent = nullptr);

  // With nothing to update it shows its notice and closes without being shown.
  int exec() override;

  void DownloadCommand();
  void BackCommand();
  const std::vector<DownloadRow>& rows() const { return rows_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  DownloadList& list_;
  Ui& ui_;
  std::vector<DownloadRow> rows_;
  QListWidget* list_widget_;
};

}  // namespace pellucor::gui
