// The program on a Linux desktop: never out of reach, started once, readable by everyone.
#include <gtest/gtest.h>

#include <qpa/qplatformwindow.h>
#include <QAccessible>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>
#include <chrono>
#include <filesystem>

#include "tests/ui/ui_test_support.h"
#include "ui/application_identity.h"
#include "ui/show_requests.h"

namespace kestrin::test {
namespace {

// The title as the window system shows it, with what Qt adds to it.
struct ShownTitle : QPlatformWindow {
  using QPlatformWindow::formatWindowTitle;
};

TEST(Desktop, WithoutATrayTheWindowShowsAndClosingItQuitsAfterSaving) {
  TestComputer computer;
  computer.WriteSettings("[Settings]\r\nName=Laptop\r\n");
  ui::MainWindowConfig config = computer.Config();
  config.trayAvailable = false;
  ui::MainWindow window(config);
  QSignalSpy exited(&window, &ui::MainWindow::exited);
  window.ShowAtStart();
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_FALSE(window.controls().mnuFile_Hide->isVisible());

  std::filesystem::remove(computer.settingsPath());
  EXPECT_TRUE(window.close());
  EXPECT_EQ(exited.count(), 1);
  EXPECT_TRUE(std::filesystem::exists(computer.settingsPath()));
}

TEST(Desktop, FirstStartOpensOnTheSettingToFillIn) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  window.ShowAtStart();
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.focusWidget(), window.controls().txtName);
}

TEST(Desktop, ALaterStartBringsTheRunningWindowToTheFront) {
  TestComputer computer;
  ui::MainWindowConfig config = computer.Config();
  config.showRequestChannel = QString::fromStdString(computer.folder() + "show");
  ui::MainWindow window(config);
  ASSERT_FALSE(window.isVisible());
  ui::AskRunningProgramToShow(config.showRequestChannel);
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());
}

TEST(Desktop, ConfirmationNamesTheProgramOnceAndEachRowShowsItsWholeFavorite) {
  ui::SetApplicationIdentity();
  ChangeList changes;
  changes.CreateList = {{"Links\\", "News<b>", "https://news.example/?a=1&b=2", "", "", "F"}};
  ui::ProcessDialog dialog(changes, std::chrono::hours(24), nullptr);
  EXPECT_EQ(ShownTitle::formatWindowTitle(dialog.windowTitle(), " — ").toStdString(),
            "Kestrin - Process");

  QTextDocument tip;
  tip.setHtml(dialog.findChild<QTreeWidget*>("ListView1")->topLevelItem(0)->toolTip(3));
  EXPECT_EQ(tip.toPlainText(), "Links\\News<b>\nhttps://news.example/?a=1&b=2");
}

TEST(Desktop, ControlsAreNamedAndReachedFromTheirLabelsAndF1OpensHelp) {
  TestComputer computer;
  WriteFileBytes(computer.folder() + "Kestrin.chm", "help");
  ui::MainWindow& window = computer.Start();
  window.show();
  ProcessEvents();
  for (QWidget* control : window.findChildren<QWidget*>()) {
    if (control->focusPolicy() != Qt::NoFocus) {
      EXPECT_FALSE(
          QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name).isEmpty())
          << control->metaObject()->className() << " " << control->objectName().toStdString();
    }
  }
  QCheckBox* encrypt = window.controls().chkEncrypt;
  for (QLabel* label : window.findChildren<QLabel*>()) {
    if (label->buddy() == encrypt) {
      QTest::mouseClick(label, Qt::LeftButton);
    }
  }
  EXPECT_TRUE(encrypt->isChecked());

  QTest::keyClick(&window, Qt::Key_F1);
  EXPECT_EQ(computer.openedDocuments().size(), 1u);
}

TEST(Desktop, VersionIsAnsweredWithoutAWindow) {
  QProcess kestrin;
  kestrin.start(KESTRIN_EXECUTABLE, {"--version"});
  ASSERT_TRUE(kestrin.waitForFinished(60000));
  EXPECT_EQ(kestrin.readAllStandardOutput().toStdString(), "kestrin " KESTRIN_VERSION "\n");
}

}  // namespace
}  // namespace kestrin::test
