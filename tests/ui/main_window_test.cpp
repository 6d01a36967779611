// Start-up, the settings in the controls, and the window's own commands.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

#include "formats/ini_file.h"
#include "tests/ui/ui_test_support.h"
#include "ui/about_dialog.h"
#include "ui/dpi_scale.h"
#include "ui/help_document.h"

namespace kestrin::test {
namespace {

TEST(StartUp, FirstStartWithoutSettingsFileUsesTheDefaults) {
  TestComputer computer;
  MessageBoxAnswerer boxes;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();

  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(window.windowTitle(), "Kestrin");
  EXPECT_EQ(c.txtPort->text(), "21");
  EXPECT_TRUE(c.chkPassive->isChecked());
  EXPECT_TRUE(c.chkConfirm->isChecked());
  EXPECT_EQ(c.statusPanel->text(), "Kestrin (Last Sync: )");
  EXPECT_EQ(window.trayIcon().toolTip(), "Kestrin (Last Sync: )");
  EXPECT_EQ(window.trayIcon().image(), StatusImage::Ready);
  EXPECT_TRUE(boxes.seen().empty());
}

TEST(StartUp, ScheduleAndConfirmInTheFileShowTheMessageOnceAndEndBothClear) {
  TestComputer computer;
  computer.WriteSettings(
      "[Settings]\r\nSyncOnStartup=1\r\nSchedule=1\r\nScheduleInt=2\r\nConfirmChanges=1\r\n");
  MessageBoxAnswerer boxes;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();

  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text,
            "You cannot enable the option, 'Schedule Sync' with the option, 'Confirm Changes'.");
  EXPECT_EQ(boxes.seen()[0].title, "Kestrin");
  EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
  EXPECT_FALSE(c.chkConfirm->isChecked());
  EXPECT_FALSE(c.chkSchedule->isChecked());
  EXPECT_FALSE(c.chkSyncOnStartup->isChecked());
  EXPECT_FALSE(c.chkSchedule->isEnabled());
  EXPECT_FALSE(c.chkSyncOnStartup->isEnabled());
  EXPECT_FALSE(c.lblScheduleSyncFlag->isEnabled());
  EXPECT_FALSE(c.lblSyncStartupFlag->isEnabled());
  EXPECT_FALSE(c.cmbSchedule->isEnabled());
  EXPECT_FALSE(c.lblSchedule->isEnabled());
  EXPECT_EQ(c.cmbSchedule->currentIndex(), 2);
  EXPECT_FALSE(window.scheduler().running());
}

TEST(Settings, SaveWritesTheControlsAndTheNextStartLoadsThem) {
  TestComputer computer;
  {
    ui::MainWindow& window = computer.Start();
    const ui::MainWindowControls& c = window.controls();
    c.txtName->setText("Laptop");
    c.txtServer->setText("ftp.example.net");
    c.txtUsername->setText("anna");
    c.txtPassword->setText("s3cret pass");
    c.txtPort->setText("2121");
    c.chkPassive->setChecked(false);
    c.txtRemDir->setText("/favs");
    c.chkEncrypt->setChecked(true);
    c.chkLogAct->setChecked(true);
    c.sldLogAct->setValue(250);
    c.cmbSchedule->setCurrentIndex(5);
    c.cmdSaveSettings->click();
  }
  const std::string file = ReadFileBytes(computer.settingsPath());
  EXPECT_EQ(file.find("s3cret pass"), std::string::npos) << "the password is never plain text";

  {
    // A name the shared list cannot carry is never stored: Save says why, Exit keeps the old.
    ui::MainWindow& window = computer.Start();
    MessageBoxAnswerer boxes;
    window.controls().txtName->setText("PC@home");
    window.controls().cmdSaveSettings->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Unable to Save Settings: the computer name holds an at-sign.");
    window.controls().mnuFile_Exit->trigger();
  }
  const ui::MainWindowControls& c = computer.Start().controls();
  EXPECT_EQ(c.txtName->text(), "Laptop");
  EXPECT_EQ(c.txtServer->text(), "ftp.example.net");
  EXPECT_EQ(c.txtUsername->text(), "anna");
  EXPECT_EQ(c.txtPassword->text(), "s3cret pass");
  EXPECT_EQ(c.txtPort->text(), "2121");
  EXPECT_FALSE(c.chkPassive->isChecked());
  EXPECT_EQ(c.txtRemDir->text(), "/favs");
  EXPECT_TRUE(c.chkEncrypt->isChecked());
  EXPECT_TRUE(c.chkLogAct->isChecked());
  EXPECT_EQ(c.sldLogAct->value(), 250);
  EXPECT_EQ(c.txtLogAct->text(), "250");
  EXPECT_EQ(c.cmbSchedule->currentIndex(), 5);
}

TEST(Window, MinimizingHidesTheWindowAndSavesTheSettings) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  window.show();
  ProcessEvents();
  std::filesystem::remove(computer.settingsPath());
  window.showMinimized();
  ProcessEvents();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.isMinimized());
  EXPECT_TRUE(std::filesystem::exists(computer.settingsPath()));
}

TEST(Window, CloseRequestIsIgnoredButExitSavesAndRemovesTheTrayIcon) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  QSignalSpy exited(&window, &ui::MainWindow::exited);
  window.show();
  ProcessEvents();
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  EXPECT_TRUE(exited.isEmpty());

  std::filesystem::remove(computer.settingsPath());
  window.controls().mnuFile_Exit->trigger();
  EXPECT_EQ(exited.count(), 1);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(window.trayIcon().visible());
  EXPECT_TRUE(std::filesystem::exists(computer.settingsPath()));
}

TEST(Commands, ViewLogWithoutALogSaysSo) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  MessageBoxAnswerer boxes;
  window.controls().mnuFile_ViewLog->trigger();
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, "No Activity Log available!");
  EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Information);
  EXPECT_EQ(boxes.seen()[0].title, "Kestrin");
  EXPECT_EQ(boxes.seen()[0].format, Qt::PlainText);
}

TEST(Commands, HelpOpensTheHelpFileOfTheProgramFolder) {
  TestComputer computer;
  WriteFileBytes(computer.folder() + "Kestrin.chm", "help");
  ui::MainWindow& window = computer.Start();
  window.controls().mnuHelp_Help->trigger();
  ASSERT_EQ(computer.openedDocuments().size(), 1u);
  EXPECT_EQ(computer.openedDocuments()[0], computer.folder() + "Kestrin.chm");
}

}  // namespace
}  // namespace kestrin::test
