// Start-up, the settings in the controls, the window's own commands and its tray icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <filesystem>
#include <tuple>

#include "tests/ui/ui_test_support.h"

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
  EXPECT_TRUE(c.chkPassive->isChecked() && c.chkConfirm->isChecked());
  EXPECT_EQ(c.statusPanel->text(), "Kestrin (Last Sync: )");
  EXPECT_EQ(window.trayIcon().toolTip(), "Kestrin (Last Sync: )");
  EXPECT_EQ(window.trayIcon().image(), StatusImage::Ready);
  EXPECT_TRUE(boxes.seen().empty());
}

// Each text holds its control's name, so that no two settings can trade places unseen.
std::vector<QLineEdit*> Texts(const ui::MainWindowControls& c) {
  return {c.txtName, c.txtServer, c.txtUsername, c.txtPassword, c.txtRemDir, c.txtPassphrase};
}

TEST(Settings, SaveWritesTheControlsAndTheNextStartLoadsThem) {
  TestComputer computer;
  {
    const ui::MainWindowControls& c = computer.Start().controls();
    for (QLineEdit* text : Texts(c)) {
      text->setText(text->objectName() + " s3cret");
    }
    // The port follows the protocol; plain HTTP says that the password travels in clear.
    for (const auto& [protocol, port, warned] :
         {std::tuple{4, "80", true}, std::tuple{3, "443", false}, std::tuple{2, "22", false}}) {
      c.cmbProtocol->setCurrentIndex(protocol);
      EXPECT_EQ(c.txtPort->text(), port) << protocol;
      EXPECT_EQ(c.lblProtocolWarning->text().isEmpty(), !warned) << protocol;
      EXPECT_EQ(c.chkPassive->isEnabled(), protocol < 3) << protocol;
    }
    c.txtPort->setText("2121");
    c.chkPassive->setChecked(false);
    c.chkEncrypt->setChecked(true);
    c.chkLogAct->setChecked(true);
    c.chkSyncOnChange->setChecked(true);
    c.sldLogAct->setValue(250);
    c.cmbSchedule->setCurrentIndex(5);
    c.cmdSaveSettings->click();
  }
  for (const char* secret : {"txtPassword s3cret", "txtPassphrase s3cret"}) {
    EXPECT_EQ(ReadFileBytes(computer.settingsPath()).find(secret), std::string::npos)
        << "never plain text: " << secret;
  }
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
  for (QLineEdit* text : Texts(c)) {
    EXPECT_EQ(text->text(), text->objectName() + " s3cret");
  }
  EXPECT_EQ(c.txtPort->text(), "2121");
  EXPECT_EQ(c.cmbProtocol->currentIndex(), 2);
  EXPECT_FALSE(c.chkPassive->isChecked());
  EXPECT_TRUE(c.chkEncrypt->isChecked() && c.chkLogAct->isChecked() &&
              c.chkSyncOnChange->isChecked());
  EXPECT_EQ(c.lblEncryptMode->text(), "(encrypted)");
  c.txtPassphrase->clear();
  EXPECT_EQ(c.lblEncryptMode->text(), "(encoded, not encrypted)");
  EXPECT_EQ(c.sldLogAct->value(), 250);
  EXPECT_EQ(c.txtLogAct->text(), "250");
  EXPECT_EQ(c.cmbSchedule->currentIndex(), 5);
}

TEST(Settings, SaveKeepsTheKeysThatHaveNoControl) {
  TestComputer computer;
  WriteFileBytes(computer.settingsPath(), "[Settings]\r\nConfirmMassDeletion=0\r\nUtf8List=0\r\n");
  computer.Start().controls().cmdSaveSettings->click();
  const std::string saved = ReadFileBytes(computer.settingsPath());
  EXPECT_NE(saved.find("ConfirmMassDeletion=0\r\n"), std::string::npos) << saved;
  EXPECT_NE(saved.find("Utf8List=0\r\n"), std::string::npos) << saved;
}

// Minimizing hides the window; a close request is ignored; Exit ends the program. Both of the
// latter save the settings.
TEST(Window, MinimizingHidesCloseIsIgnoredAndExitSavesAndRemovesTheTrayIcon) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  QSignalSpy exited(&window, &ui::MainWindow::exited);
  window.show();
  ProcessEvents();
  window.showMinimized();
  ProcessEvents();
  EXPECT_FALSE(window.isVisible() || window.isMinimized());
  EXPECT_TRUE(std::filesystem::remove(computer.settingsPath()));

  window.show();
  ProcessEvents();
  EXPECT_FALSE(window.close());
  EXPECT_TRUE(window.isVisible());
  window.controls().mnuFile_Exit->trigger();
  EXPECT_EQ(exited.count(), 1);
  EXPECT_FALSE(window.isVisible() || window.trayIcon().visible());
  EXPECT_TRUE(std::filesystem::exists(computer.settingsPath()));
}

TEST(Commands, ViewLogWithoutALogSaysSoAndHelpOpensTheHelpFileOfTheProgramFolder) {
  TestComputer computer;
  WriteFileBytes(computer.folder() + "Kestrin.chm", "help");
  ui::MainWindow& window = computer.Start();
  MessageBoxAnswerer boxes;
  window.controls().mnuFile_ViewLog->trigger();
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, "No Activity Log available!");
  EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Information);
  EXPECT_EQ(boxes.seen()[0].title, "Kestrin");
  EXPECT_EQ(boxes.seen()[0].format, Qt::PlainText);

  window.controls().mnuHelp_Help->trigger();
  EXPECT_EQ(computer.openedDocuments(),
            std::vector<std::string>{computer.folder() + "Kestrin.chm"});
}

// The browsers found are offered by name (the first answers here); the Favorites go out as a
// bookmark file.
TEST(Commands, ImportBookmarksFromABrowserFoundAndExportThem) {
  TestComputer computer;
  const std::string chromium = std::string(getenv("HOME")) + "/.config/chromium/Default/";
  std::filesystem::create_directories(chromium);
  WriteFileBytes(chromium + "Bookmarks", R"({"roots": {"other": {"name": "Other",
      "children": [{"type": "url", "name": "K", "url": "https://k/"}]}}})");
  ui::MainWindow& window = computer.Start();
  MessageBoxAnswerer boxes;
  window.controls().mnuFile_Import->trigger();
  std::filesystem::remove_all(chromium);
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].answer, "From Chromium");
  EXPECT_EQ(ReadFileBytes(computer.favoritesRoot() + "Other/K.url"),
            "[InternetShortcut]\r\nURL=https://k/\r\nIconFile=\r\nIconIndex=\r\n");
  window.session().ExportBookmarks(computer.folder() + "out.html");
  EXPECT_NE(ReadFileBytes(computer.folder() + "out.html").find("<A HREF=\"https://k/\""),
            std::string::npos);
  EXPECT_EQ(window.controls().statusPanel->text().toStdString(),
            "Exported 1 shortcuts in 1 folders to " + computer.folder() + "out.html.");
}

// Connect Browsers… writes the bridge's host manifest for each browser the home folder holds,
// serving this computer's settings and Favorites folder.
TEST(Commands, ConnectBrowsersInstallsTheBridgeForTheBrowsersFound) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const std::string home = computer.folder() + "home/";
  window.session().ConnectBrowsers(home);
  EXPECT_EQ(window.controls().statusPanel->text().toStdString(),
            "No browser to connect: neither Firefox nor Chromium has a profile here.");
  std::filesystem::create_directories(home + ".mozilla");
  window.session().ConnectBrowsers(home);
  EXPECT_EQ(window.controls().statusPanel->text().toStdString(),
            "Connected Firefox to the Favorites. Add the Kestrin extension in each browser: its "
            "options page shows the connection.");
  const std::string manifest =
      ReadFileBytes(home + ".mozilla/native-messaging-hosts/org.kestrin.bridge.json");
  EXPECT_NE(manifest.find("\"allowed_extensions\":[\"bridge@kestrin\"]"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(home + ".config/chromium/NativeMessagingHosts"));
}

// The tray menu's second item names what it will do as the menu opens; a left click on the
// icon does the same.
TEST(Tray, ShowHideAndLeftClickToggleTheWindow) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  QAction* show = window.controls().mnuTRAY_Show;
  for (const bool visible : {true, false}) {
    emit window.controls().mnuTRAY->aboutToShow();
    EXPECT_EQ(show->text(), visible ? "Show" : "Hide");
    show->trigger();
    ProcessEvents();
    EXPECT_EQ(window.isVisible(), visible);
  }
  window.session().TrayLeftClick();
  ProcessEvents();
  EXPECT_TRUE(window.isVisible());
  window.session().TrayLeftClick();
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace kestrin::test
