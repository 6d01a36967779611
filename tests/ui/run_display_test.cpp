// Real runs against a local FTP server, shown by the window and the tray icon.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTextDocument>
#include <QTreeWidget>
#include <QWidget>
#include <filesystem>

#include "tests/ui/ui_test_support.h"
#include "ui/paced_repaint.h"

namespace kestrin::test {
namespace {

namespace fs = std::filesystem;

class TwoComputers : public testing::Test {
 protected:
  void SetUp() override { ASSERT_NE(server, nullptr); }

  std::unique_ptr<FtpServer> server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  TestComputer first;
  TestComputer second;
};

TEST_F(TwoComputers, EachRunIsShownInThePaneStatusBarAndTray) {
  first.AddShortcut("Links/News.url", "https://news.example/");
  ui::MainWindow& a = first.StartWith(*server, "alpha", false);
  a.controls().cmdSync->click();

  const QString pane = a.controls().txtActivity->toPlainText();
  EXPECT_TRUE(pane.startsWith("kestrin started at ")) << pane.toStdString();
  EXPECT_TRUE(pane.split('\n').back().startsWith("kestrin ended at ")) << pane.toStdString();
  EXPECT_FALSE(pane.contains("Error: "));
  EXPECT_EQ(a.trayIcon().image(), StatusImage::Ready);
  EXPECT_TRUE(a.trayIcon().toolTip().startsWith("Kestrin (Last Sync: "));
  EXPECT_EQ(a.controls().statusPanel->text(), a.trayIcon().toolTip());
  EXPECT_EQ(a.controls().TabStrip1->currentIndex(), 2);
  EXPECT_TRUE(a.controls().cmdSync->isEnabled() && a.controls().fraMain[0]->isEnabled() &&
              a.controls().mnuTRAY_Exit->isEnabled());
  // A long pass's progress holds the status text until the pass ends.
  RunDisplay& display = a.session();
  display.ShowProgress("Creating shortcuts: 4 512 of 100 000");
  display.SetStatusText("-> Creating Shortcut: x");
  EXPECT_EQ(a.controls().statusPanel->text(), "Creating shortcuts: 4 512 of 100 000");
  display.ShowProgress("");
  EXPECT_EQ(a.controls().statusPanel->text(), "-> Creating Shortcut: x");

  second.StartWith(*server, "bravo", false).controls().mnuFile_Sync->trigger();
  EXPECT_EQ(ReadFileBytes(second.favoritesRoot() + "Links/News.url"),
            "[InternetShortcut]\r\nURL=https://news.example/\r\nIconFile=\r\nIconIndex=\r\n");
}

// What a person sees of a tooltip: Qt renders one that looks like markup.
QString ShownTooltip(const QString& tooltip) {
  QTextDocument rendered;
  rendered.setHtml(tooltip);
  return Qt::mightBeRichText(tooltip) ? rendered.toPlainText() : tooltip;
}

// Markup in a server name is text: rendered, it would make the window read any local file.
// Its control characters are shown, not obeyed; the tray shows the first 63 characters.
TEST_F(TwoComputers, FailedRunShowsTheErrorPictureAndTheServerNameAsWritten) {
  ui::MainWindow& a = first.StartWith(*server, "alpha", false);
  a.controls().txtPort->setText("1");
  a.controls().txtServer->setText("<img src=/dev/zero><b>x</b>\x1b[2J");
  a.show();
  a.controls().mnuTRAY_Sync->trigger();
  ProcessEvents();

  const QString status = "Kestrin (Error:Unable to Connect to <img src=/dev/zero><b>x</b>\\x1b[2J)";
  EXPECT_EQ(a.trayIcon().image(), StatusImage::Error);
  EXPECT_TRUE(a.controls().txtActivity->toPlainText().contains(
      "Error: Unable to Connect to <img src=/dev/zero><b>x</b>\\x1b[2J"));
  EXPECT_EQ(a.controls().statusPanel->textFormat(), Qt::PlainText);
  EXPECT_EQ(a.controls().statusPanel->text(), status);
  EXPECT_EQ(ShownTooltip(a.trayIcon().toolTip()), status.left(63));
  EXPECT_TRUE(a.controls().cmdSync->isEnabled());
}

// While the dialog waits, the run is in progress: no second run, no Exit.
TEST_F(TwoComputers, ConfirmedChangesAreAppliedAsTickedWhileTheRunHoldsTheWindow) {
  first.AddShortcut("Keep.url", "https://keep.example/");
  first.AddShortcut("Skip.url", "https://skip.example/");
  first.StartWith(*server, "alpha", false).SyncNow();
  ui::MainWindow& b = second.StartWith(*server, "bravo", true);

  ProcessDialogAnswerer answerer([&](ui::ProcessDialog& dialog) {
    const ui::MainWindowControls& c = b.controls();
    EXPECT_TRUE(b.session().runInProgress());
    for (const QAction* action : {c.mnuFile_Sync, c.mnuFile_Exit, c.mnuTRAY_Sync}) {
      EXPECT_FALSE(action->isEnabled()) << action->text().toStdString();
    }
    EXPECT_FALSE(c.cmdSync->isEnabled() || c.fraMain[0]->isEnabled());
    EXPECT_EQ(b.trayIcon().image(), StatusImage::Working);
    b.session().Exit();
    EXPECT_TRUE(b.trayIcon().visible());
    QTreeWidget* list = dialog.findChild<QTreeWidget*>("ListView1");
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
      if (list->topLevelItem(row)->text(3).startsWith("Skip")) {
        list->topLevelItem(row)->setCheckState(0, Qt::Unchecked);
      }
    }
    QPushButton* process = dialog.findChild<QPushButton*>("cmdProcess");
    process->click();
    EXPECT_FALSE(process->isEnabled());
  });
  b.SyncNow();

  EXPECT_TRUE(answerer.answered());
  EXPECT_TRUE(fs::exists(second.favoritesRoot() + "Keep.url"));
  EXPECT_FALSE(fs::exists(second.favoritesRoot() + "Skip.url"));
  EXPECT_EQ(b.trayIcon().image(), StatusImage::Ready);
  EXPECT_FALSE(b.session().runInProgress());
  EXPECT_TRUE(b.controls().mnuFile_Exit->isEnabled());
}

// A burst of lines is painted once at first and once more when the window next processes its
// events; the clock, not the number of lines, decides when it is painted at once again.
TEST(PacedRepaint, PaintsABurstOnceAtOnceAndOnceWithTheNextEvents) {
  class CountedPaints : public QWidget {
   public:
    int paints = 0;

   protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
  };
  CountedPaints widget;
  widget.resize(40, 20);
  widget.show();
  QCoreApplication::processEvents();
  widget.paints = 0;
  ui::PacedRepaint::Clock::time_point now{};
  ui::PacedRepaint repaint([&now] { return now; });

  for (int line = 0; line < 1000; ++line) {
    repaint(widget);
  }
  EXPECT_EQ(widget.paints, 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(widget.paints, 2);
  now += ui::PacedRepaint::kInterval;
  repaint(widget);
  EXPECT_EQ(widget.paints, 3);
}

}  // namespace
}  // namespace kestrin::test
