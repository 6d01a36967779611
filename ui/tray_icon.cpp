#include "ui/tray_icon.h"

#include <QMenu>

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
  icon_.setToolTip(tooltip.left(kTooltipLimit));
}

void TrayIcon::Remove() {
  icon_.hide();
}

}  // namespace kestrin::ui
