// The notification-area icon and its menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

TEST(Tray, SecondItemNamesWhatItWillDoAsTheMenuOpens) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  QMenu* menu = window.controls().mnuTRAY;
  QAction* show = window.controls().mnuTRAY_Show;

  emit menu->aboutToShow();
  EXPECT_EQ(show->text(), "Show");
  show->trigger();
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());

  emit menu->aboutToShow();
  EXPECT_EQ(show->text(), "Hide");
  show->trigger();
  EXPECT_FALSE(window.isVisible());
}

TEST(Tray, LeftClickTogglesTheWindow) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  window.TrayLeftClick();
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());
  window.TrayLeftClick();
  EXPECT_FALSE(window.isVisible());
}

TEST(Tray, TooltipIsCutTo63Characters) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const std::string seventy(70, 'x');
  window.SetTrayState(StatusImage::Working, seventy);
  EXPECT_EQ(window.trayIcon().toolTip().toStdString(), seventy.substr(0, 63));
  EXPECT_EQ(window.trayIcon().image(), StatusImage::Working);
}

}  // namespace
}  // namespace kestrin::test
