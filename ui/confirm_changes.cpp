#include "ui/confirm_changes.h"

#include <QEventLoop>

#include "ui/process_dialog.h"

namespace kestrin::ui {

ConfirmChangesHook ConfirmWithDialog(QWidget* parent, std::chrono::milliseconds tickPeriod) {
  return [parent, tickPeriod](const ChangeList& changes) -> std::optional<std::vector<ChangeRow>> {
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
  };
}

}  // namespace kestrin::ui
