#include "ui/desktop_environment.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "qt_locale/locale_date_format.h"
#include "ui/confirm_changes.h"

namespace kestrin::ui {

namespace {
void IdleFor(std::chrono::milliseconds duration) {
  QEventLoop wait;
  QTimer::singleShot(duration, &wait, &QEventLoop::quit);
  wait.exec();
}
}  // namespace

SyncEnvironment DesktopEnvironment(RunDisplay& display, const std::string& settingsPath,
                                   const std::string& favoritesRoot, QWidget* dialogParent,
                                   std::chrono::milliseconds dialogTickPeriod) {
  SyncEnvironment env = StandardEnvironment(display, settingsPath);
  env.yield = [] { QCoreApplication::processEvents(); };
  env.idle = IdleFor;
  env.confirm = ConfirmWithDialog(dialogParent, dialogTickPeriod);
  env.dateFormat = LocaleGeneralDateFormat();
  env.decimalSeparator = LocaleDecimalSeparator();
  env.favoritesRoot = favoritesRoot;
  return env;
}

}  // namespace kestrin::ui
