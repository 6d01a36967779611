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

  // Adds the icon to the notification area.
  void Add(StatusImage image, const QString& tooltip);
  // Changes picture and tooltip; a tooltip longer than the limit is cut.
  void SetState(StatusImage image, const QString& tooltip);
  void Remove();
  // Tells the user something worth knowing while the window is out of sight: as the icon's
  // message, or through the desktop's notification service where there is no icon.
  void Notify(const QString& text, bool failure);

  StatusImage image() const { return image_; }
  QString toolTip() const { return icon_.toolTip(); }
  bool visible() const { return icon_.isVisible(); }

 signals:
  void leftClicked();

 private:
  QSystemTrayIcon icon_;
  StatusImage image_ = StatusImage::Ready;
};

}  // namespace kestrin::ui
