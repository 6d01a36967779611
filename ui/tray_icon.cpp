#include "ui/tray_icon.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QMenu>

#include "platform/program_folder.h"
#include "ui/plain_text.h"
#include "ui/status_icons.h"

namespace kestrin::ui {

namespace {
constexpr const char* kService = "org.freedesktop.Notifications";
constexpr const char* kPath = "/org/freedesktop/Notifications";
constexpr const char* kUndoAction = "undo";

QDBusMessage ServiceCall(const QString& method) {
  return QDBusMessage::createMethodCall(kService, kPath, kService, method);
}

// The service may read markup in the body, so the text goes escaped.
QDBusMessage NotifyCall(const QString& text, const QStringList& actions) {
  const QString title = QString::fromUtf8(kApplicationTitle);
  QDBusMessage notify = ServiceCall("Notify");
  notify << title << 0u << QString(kProgramName) << title << text.toHtmlEscaped() << actions
         << QVariantMap() << -1;
  return notify;
}

// Calls `then` with the reply once the service has answered, or failed to.
template <typename Reply, typename Then>
void WhenAnswered(const QDBusMessage& call, QObject* context, Then then) {
  auto* pending =
      new QDBusPendingCallWatcher(QDBusConnection::sessionBus().asyncCall(call), context);
  QObject::connect(pending, &QDBusPendingCallWatcher::finished, context,
                   [then](QDBusPendingCallWatcher* answered) {
                     answered->deleteLater();
                     then(QDBusPendingReply<Reply>(*answered));
                   });
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
  connect(&icon_, &QSystemTrayIcon::messageClicked, this, [this] {
    if (messageOffersUndo_) {
      emit undoRequested();
    }
  });
  QDBusConnection::sessionBus().connect(kService, kPath, kService, "ActionInvoked", this,
                                        SLOT(ServiceActionInvoked(uint, QString)));
}

void TrayIcon::Add() {
  icon_.show();
}

void TrayIcon::SetState(StatusImage image, const QString& tooltip) {
  // Every activity line sets the state, mostly with the picture already shown: each new icon
  // is sent to the panel.
  if (image != image_ || icon_.icon().isNull()) {
    icon_.setIcon(StatusIcon(image));
  }
  image_ = image;
  icon_.setToolTip(AsPlainText(tooltip.left(kTooltipLimit)));
}

void TrayIcon::Notify(const QString& text, bool failure) {
  Post(text, failure, false);
}

void TrayIcon::NotifyUndoable(const QString& text) {
  WhenAnswered<QStringList>(
      ServiceCall("GetCapabilities"), this,
      [this, text](const QDBusPendingReply<QStringList>& capabilities) {
        if (capabilities.isValid() && capabilities.value().contains("actions")) {
          PostWithUndoAction(text);
        } else {
          Post(text, false, true);
        }
      });
}

void TrayIcon::Post(const QString& text, bool failure, bool offerUndo) {
  messageOffersUndo_ = offerUndo;
  if (icon_.isVisible()) {
    icon_.showMessage(QString::fromUtf8(kApplicationTitle), AsPlainText(text),
                      failure ? QSystemTrayIcon::Critical : QSystemTrayIcon::Information);
    return;
  }
  QDBusConnection::sessionBus().call(NotifyCall(text, {}), QDBus::NoBlock);
}

void TrayIcon::PostWithUndoAction(const QString& text) {
  messageOffersUndo_ = false;
  WhenAnswered<uint>(NotifyCall(text, {kUndoAction, tr("Undo")}), this,
                     [this](const QDBusPendingReply<uint>& posted) {
                       undoNotification_ = posted.isValid() ? posted.value() : 0;
                     });
}

// The service tells every listener of every action; only ours on our notification counts.
void TrayIcon::ServiceActionInvoked(uint id, const QString& action) {
  if (id != 0 && id == undoNotification_ && action == kUndoAction) {
    emit undoRequested();
  }
}

void TrayIcon::Remove() {
  icon_.hide();
}

}  // namespace kestrin::ui
