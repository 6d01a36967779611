// Real runs against a local FTP server, shown by the window and the tray icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <filesystem>

#include "tests/support/ftp_server.h"
#include "tests/ui/ui_test_support.h"
#include "ui/process_dialog.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

void AddShortcut(const TestComputer& computer, const std::string& relativePath,
                 const std::string& url) {
  const fs::path file = fs::path(computer.favoritesRoot()) / relativePath;
  fs::create_directories(file.parent_path());
  WriteFileBytes(file.string(), "[InternetShortcut]\r\nURL=" + url + "\r\n");
}

class TwoComputers : public testing::Test {
 protected:
  void SetUp() override {
    server = FtpServer::Start(FtpServerKind::Pyftpdlib);
    ASSERT_NE(server, nullptr);
  }

  ui::MainWindow& StartComputer(TestComputer& computer, const std::string& name, int port,
                                bool confirm) {
    ui::MainWindow& window = computer.Start();
    const ui::MainWindowControls& c = window.controls();
    c.txtName->setText(QString::fromStdString(name));
    c.txtServer->setText("127.0.0.1");
    c.txtUsername->setText(QString::fromStdString(server->user()));
    c.txtPassword->setText(QString::fromStdString(server->password()));
    c.txtPort->setText(QString::number(port));
    c.chkPassive->setChecked(true);
    c.chkConfirm->setChecked(confirm);
    return window;
  }

  QStringList ActivityLines(const ui::MainWindow& window) const {
    return window.controls().txtActivity->toPlainText().split('\n');
  }

  std::unique_ptr<FtpServer> server;
  TestComputer first;
  TestComputer second;
};

TEST_F(TwoComputers, EachRunIsShownInThePaneStatusBarAndTray) {
  AddShortcut(first, "Links/News.url", "https://news.example/");
  ui::MainWindow& a = StartComputer(first, "alpha", server->port(), false);
  a.controls().cmdSync->click();

  const QStringList lines = ActivityLines(a);
  ASSERT_GE(lines.size(), 3);
  EXPECT_TRUE(lines.front().startsWith("kestrin started at ")) << lines.front().toStdString();
  EXPECT_TRUE(lines.back().startsWith("kestrin ended at ")) << lines.back().toStdString();
  EXPECT_FALSE(a.controls().txtActivity->toPlainText().contains("Error: "));
  EXPECT_EQ(a.trayIcon().image(), StatusImage::Ready);
  EXPECT_TRUE(a.trayIcon().toolTip().startsWith("Kestrin (Last Sync: "));
  EXPECT_EQ(a.controls().statusPanel->text(), a.trayIcon().toolTip());
  EXPECT_EQ(a.controls().TabStrip1->currentIndex(), 2);
  EXPECT_TRUE(a.controls().cmdSync->isEnabled());
  EXPECT_TRUE(a.controls().fraMain[0]->isEnabled());
  EXPECT_TRUE(a.controls().mnuTRAY_Exit->isEnabled());

  ui::MainWindow& b = StartComputer(second, "bravo", server->port(), false);
  b.controls().mnuFile_Sync->trigger();
  EXPECT_EQ(b.trayIcon().image(), StatusImage::Ready);
  EXPECT_TRUE(fs::exists(second.favoritesRoot() + "Links/News.url"));
  EXPECT_TRUE(ActivityLines(b).back().startsWith("kestrin ended at "));
}

// What a person sees of a tooltip: Qt renders one that looks like markup.
QString ShownTooltip(const QString& tooltip) {
  if (!Qt::mightBeRichText(tooltip)) {
    return tooltip;
  }
  QTextDocument rendered;
  rendered.setHtml(tooltip);
  return rendered.toPlainText();
}

// Markup in a server name is text: rendered, it would make the window read any local file.
// Its control characters are shown, not obeyed.
TEST_F(TwoComputers, FailedRunShowsTheErrorPictureAndTheServerNameAsWritten) {
  ui::MainWindow& a = StartComputer(first, "alpha", 1, false);
  a.controls().txtServer->setText("<img src=/dev/zero><b>x</b>\x1b[2J");
  const QString server = "<img src=/dev/zero><b>x</b>\\x1b[2J";
  a.show();
  a.controls().mnuTRAY_Sync->trigger();
  ProcessEvents();

  EXPECT_EQ(a.trayIcon().image(), StatusImage::Error);
  EXPECT_TRUE(
      a.controls().txtActivity->toPlainText().contains("Error: Unable to Connect to " + server));
  const QLabel* status = a.controls().statusPanel;
  EXPECT_EQ(status->textFormat(), Qt::PlainText);
  EXPECT_EQ(status->text(), "Kestrin (Error:Unable to Connect to " + server + ")");
  EXPECT_EQ(ShownTooltip(a.trayIcon().toolTip()), status->text().left(ui::TrayIcon::kTooltipLimit));
  EXPECT_TRUE(a.controls().cmdSync->isEnabled());
}

// While the dialog waits, the run is in progress: no second run, no Exit.
TEST_F(TwoComputers, ConfirmedChangesAreAppliedAsTickedWhileTheRunHoldsTheWindow) {
  AddShortcut(first, "Keep.url", "https://keep.example/");
  AddShortcut(first, "Skip.url", "https://skip.example/");
  StartComputer(first, "alpha", server->port(), false).SyncNow();
  ui::MainWindow& b = StartComputer(second, "bravo", server->port(), true);

  ProcessDialogAnswerer answerer([&](ui::ProcessDialog& dialog) {
    const ui::MainWindowControls& c = b.controls();
    EXPECT_TRUE(b.runInProgress());
    EXPECT_FALSE(c.cmdSync->isEnabled());
    EXPECT_FALSE(c.mnuFile_Sync->isEnabled());
    EXPECT_FALSE(c.mnuFile_Exit->isEnabled());
    EXPECT_FALSE(c.mnuTRAY_Sync->isEnabled());
    EXPECT_FALSE(c.fraMain[0]->isEnabled());
    EXPECT_EQ(b.trayIcon().image(), StatusImage::Working);
    b.Exit();
    EXPECT_TRUE(b.trayIcon().visible());
    QTreeWidget* list = dialog.findChild<QTreeWidget*>("ListView1");
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      if (list->topLevelItem(row)->text(3).startsWith("Skip")) {
        list->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
      }
    }
    dialog.findChild<QPushButton*>("cmdProcess")->click();
  });
  b.SyncNow();

  EXPECT_TRUE(answerer.answered());
  EXPECT_TRUE(fs::exists(second.favoritesRoot() + "Keep.url"));
  EXPECT_FALSE(fs::exists(second.favoritesRoot() + "Skip.url"));
  EXPECT_EQ(b.trayIcon().image(), StatusImage::Ready);
  EXPECT_FALSE(b.runInProgress());
  EXPECT_TRUE(b.controls().mnuFile_Exit->isEnabled());
}

}  // namespace
}  // namespace kestrin::test
