#include "ui/confirm_changes.h"

#include <QEventLoop>

#include "ui/process_dialog.h"

namespace kestrin::ui {

std::optional<std::vector<ChangeRow>> ConfirmWithDialog(QWidget* parent,
                                                        std::chrono::milliseconds tickPeriod,
                                                        const ChangeList& changes) {
  ProcessDialog dialog(changes, tickPeriod, parent);
  QEventLoop untilClosed;
  QObject::connect(&dialog, &QDialog::finished, &untilClosed, &QEventLoop::quit);
  dialog.show();
  dialog.raise();
  dialog.activateWindow();
  untilClosed.exec();
  if (!dialog.processed()) {
    return std::nullopt;
  }
  return dialog.TickedRows();
}

}  // namespace kestrin::ui
