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

#include "settings/ini_file.h"
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

TEST(StartUp, ShowsTheLastSyncInTooltipAndStatusBar) {
  TestComputer computer;
  computer.WriteSettings("[Settings]\r\nLastSync=3/4/2026 9:15:00 AM\r\n");
  ui::MainWindow& window = computer.Start();
  EXPECT_EQ(window.trayIcon().toolTip(), "Kestrin (Last Sync: 3/4/2026 9:15:00 AM)");
  EXPECT_EQ(window.controls().statusPanel->text(), "Kestrin (Last Sync: 3/4/2026 9:15:00 AM)");
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

TEST(StartUp, FillsTheIntervalList) {
  TestComputer computer;
  const QComboBox* list = computer.Start().controls().cmbSchedule;
  QStringList entries;
  for (int i = 0; i < list->count(); ++i) {
    entries << list->itemText(i);
  }
  EXPECT_EQ(entries, QStringList({"15 Min", "30 Min", "45 Min", "1 Hrs", "3 Hrs", "6 Hrs", "12 Hrs",
                                  "24 Hrs"}));
  EXPECT_FALSE(list->isEditable());
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

TEST(Settings, TypingIntoThePurgeBoxDoesNotChangeTheSavedSize) {
  TestComputer computer;
  const ui::MainWindowControls& c = computer.Start().controls();
  c.chkLogAct->setChecked(true);
  c.sldLogAct->setValue(40);
  EXPECT_EQ(c.txtLogAct->text(), "40");
  c.txtLogAct->setText("999");
  c.cmdSaveSettings->click();
  EXPECT_EQ(ReadIniInt(computer.settingsPath(), "Settings", "LogPurge"), 40);
}

TEST(Window, HasTheClientSizeOfItsDesignAndNoCloseButton) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const ui::DpiScale scale = ui::DpiScale::For(window);
  EXPECT_EQ(window.centralWidget()->width(), scale.Px(337));
  EXPECT_EQ(window.centralWidget()->height() + window.statusBar()->height(), scale.Px(291));
  EXPECT_FALSE(window.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  EXPECT_EQ(window.controls().txtPassword->echoMode(), QLineEdit::Password);
  EXPECT_EQ(window.controls().sldLogAct->minimum(), 10);
  EXPECT_EQ(window.controls().sldLogAct->maximum(), 1000);
}

TEST(Window, TabsAreNamedInOrder) {
  TestComputer computer;
  const QTabBar* tabs = computer.Start().controls().TabStrip1->tabBar();
  EXPECT_EQ(tabs->tabText(0), "General Settings");
  EXPECT_EQ(tabs->tabText(1), "FTP Settings");
  EXPECT_EQ(tabs->tabText(2), "Current Activity");
}

TEST(Window, MenusHoldTheirItemsInOrder) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  QStringList captions;
  for (QAction* menu : window.menuBar()->actions()) {
    captions << menu->text() + ":";
    for (QAction* item : menu->menu()->actions()) {
      captions << (item->isSeparator() ? "-" : item->text());
    }
  }
  EXPECT_EQ(captions, QStringList({"File:", "Sync Now!", "Hide", "View Log", "-", "Exit",
                                   "Help:", "Help", "About"}));
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

TEST(Window, HideMenuItemHidesTheWindow) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  window.show();
  window.controls().mnuFile_Hide->trigger();
  EXPECT_FALSE(window.isVisible());
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
}

TEST(Commands, HelpOpensTheHelpFileOfTheProgramFolder) {
  TestComputer computer;
  WriteFileBytes(computer.folder() + "Kestrin.chm", "help");
  ui::MainWindow& window = computer.Start();
  window.controls().mnuHelp_Help->trigger();
  ASSERT_EQ(computer.openedDocuments().size(), 1u);
  EXPECT_EQ(computer.openedDocuments()[0], computer.folder() + "Kestrin.chm");
}

TEST(Commands, HelpFallsBackToTheShippedManual) {
  TempDir programFolder;
  TempDir binFolder;
  WriteFileBytes(binFolder.path() + "kestrin-manual.html", "<html></html>");
  EXPECT_EQ(ui::HelpDocumentPath(programFolder.path(), binFolder.path() + "kestrin"),
            binFolder.path() + "kestrin-manual.html");
  EXPECT_EQ(ui::HelpDocumentPath(programFolder.path(), programFolder.path() + "kestrin"), "");
}

TEST(Commands, AboutShowsTitleVersionAndLinks) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  window.controls().mnuHelp_About->trigger();
  auto* about = window.findChild<ui::AboutDialog*>("frmAbout");
  ASSERT_NE(about, nullptr);
  EXPECT_TRUE(about->isVisible());
  EXPECT_FALSE(about->isModal());
  EXPECT_EQ(about->windowTitle(), "Kestrin - About");
  EXPECT_EQ(about->findChild<QLabel*>("lblVersion")->text(), " v" KESTRIN_VERSION);
  EXPECT_TRUE(about->findChild<QLabel*>("lnkWebPage")->text().contains("https://"));
  EXPECT_TRUE(about->findChild<QLabel*>("lnkSupport")->text().contains("mailto:"));
  about->close();
}

}  // namespace
}  // namespace kestrin::test
