#include "ui/tray_icon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QMenu>
#include <QTextDocument>

#include "platform/program_folder.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

namespace {
// Text that looks like markup is rendered as such; text from the server or the settings
// file is shown as it is written.
QString AsPlainText(const QString& text) {
  return Qt::mightBeRichText(text) ? Qt::convertFromPlainText(text) : text;
}
}  // namespace

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
  icon_.setToolTip(AsPlainText(tooltip.left(kTooltipLimit)));
}

void TrayIcon::Notify(const QString& text, bool failure) {
  const QString title = QString::fromUtf8(kApplicationTitle);
  if (icon_.isVisible()) {
    icon_.showMessage(title, AsPlainText(text),
                      failure ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
    return;
  }
  QDBusMessage notify = QDBusMessage::createMethodCall("org.freedesktop.Notifications",
                                                       "/org/freedesktop/Notifications",
                                                       "org.freedesktop.Notifications", "Notify");
  // The service may read markup in the body, so the text goes escaped.
  notify << title << 0u << QString(kProgramName) << title << text.toHtmlEscaped() << QStringList()
         << QVariantMap() << -1;
  QDBusConnection::sessionBus().call(notify, QDBus::NoBlock);
}

void TrayIcon::Remove() {
  icon_.hide();
}

}  // namespace kestrin::ui
