#include "ui/tray_icon.h"

#include <QMenu>
#include <QTextDocument>

#include "ui/status_icons.h"

namespace kestrin::ui {

TrayIcon::TrayIcon(QMenu& menu, QObject* parent) : QObject(parent) {
  icon_.setContextMenu(&menu);
  // Only a single press counts: a double click toggles the window once, not twice.
  connect(&icon_, &QSystemTrayIcon::activated, this,
          [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger) {
              emit leftClicked();
            }
          });
}

void TrayIcon::Add(StatusImage image, const QString& tooltip) {
  SetState(image, tooltip);
  icon_.show();
}

void TrayIcon::SetState(StatusImage image, const QString& tooltip) {
  image_ = image;
  icon_.setIcon(StatusIcon(image));
  // A tooltip that looks like markup is rendered as such; text from the server or the
  // settings file is shown as it is written.
  const QString shown = tooltip.left(kTooltipLimit);
  icon_.setToolTip(Qt::mightBeRichText(shown) ? Qt::convertFromPlainText(shown) : shown);
}

void TrayIcon::Remove() {
  icon_.hide();
}

}  // namespace kestrin::ui
