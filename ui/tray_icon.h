#pragma once

#include <QObject>
#include <QString>
#include <QSystemTrayIcon>

#include "sync/run_display.h"

class QMenu;

namespace kestrin::ui {

// The notification-area icon: its picture and tooltip follow the runs; a left click asks
// for the main window to be shown or hidden; a right click opens the given menu.
class TrayIcon : public QObject {
  Q_OBJECT

 public:
  static constexpr int kTooltipLimit = 63;

  TrayIcon(QMenu& menu, QObject* parent);

  // Adds the icon to the notification area, in the state set last.
  void Add();
  // Changes picture and tooltip; a tooltip longer than the limit is cut.
  void SetState(StatusImage image, const QString& tooltip);
  void Remove();
  // Tells the user something worth knowing while the window is out of sight: as the icon's
  // message, or through the desktop's notification service where there is no icon.
  void Notify(const QString& text, bool failure);
  // Tells what a run changed and offers to undo it: with an "Undo" button where the
  // notification service shows actions, else as the icon's message, a click on which asks.
  void NotifyUndoable(const QString& text);

  StatusImage image() const { return image_; }
  QString toolTip() const { return icon_.toolTip(); }
  bool visible() const { return icon_.isVisible(); }

 signals:
  void leftClicked();
  void undoRequested();

 private slots:
  void ServiceActionInvoked(uint id, const QString& action);

 private:
  void Post(const QString& text, bool failure, bool offerUndo);
  void PostWithUndoAction(const QString& text);

  QSystemTrayIcon icon_;
  StatusImage image_ = StatusImage::Ready;
  bool messageOffersUndo_ = false;
  uint undoNotification_ = 0;  // the service's id of the notification offering Undo
};

}  // namespace kestrin::ui
