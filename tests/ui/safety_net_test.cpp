// The safety net: a run that deletes favorites can be undone from the window, and a
// computer joining with favorites of its own keeps them unless told otherwise.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <filesystem>

#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

TEST(SafetyNet, UndoLastSyncPutsBackWhatARunDeleted) {
  const std::unique_ptr<FtpServer> server = FtpServer::Start(FtpServerKind::Pyftpdlib);
  ASSERT_NE(server, nullptr);
  TestComputer first;
  TestComputer second;
  first.AddShortcut("Links/News.url", "https://news.example/");
  ui::MainWindow& a = first.StartWith(*server, "alpha", false);
  ui::MainWindow& b = second.StartWith(*server, "bravo", true);
  const ui::MainWindowControls& c = b.controls();
  EXPECT_FALSE(c.mnuFile_Undo->isEnabled() || c.mnuTRAY_Undo->isEnabled());
  a.SyncNow();
  ProcessDialogAnswerer accept(
      [](ui::ProcessDialog& dialog) { dialog.findChild<QPushButton*>("cmdProcess")->click(); });
  b.SyncNow();
  const std::string news = second.favoritesRoot() + "Links/News.url";
  const std::string bytes = ReadFileBytes(news);
  ASSERT_FALSE(bytes.empty());

  a.SyncNow();
  std::filesystem::remove(first.favoritesRoot() + "Links/News.url");
  a.SyncNow();
  ProcessDialogAnswerer duringRun([&](ui::ProcessDialog& dialog) {
    EXPECT_FALSE(c.mnuFile_Undo->isEnabled() || c.mnuTRAY_Undo->isEnabled());
    dialog.findChild<QPushButton*>("cmdProcess")->click();
  });
  b.SyncNow();
  ASSERT_TRUE(duringRun.answered());
  ASSERT_FALSE(std::filesystem::exists(news));
  EXPECT_TRUE(c.mnuFile_Undo->isEnabled() && c.mnuTRAY_Undo->isEnabled());

  MessageBoxAnswerer yes;
  c.mnuTRAY_Undo->trigger();
  ASSERT_EQ(yes.seen().size(), 1u);
  EXPECT_TRUE(yes.seen()[0].text.startsWith("Put back 1 shortcut from before the sync of "))
      << yes.seen()[0].text.toStdString();
  EXPECT_EQ(yes.seen()[0].format, Qt::PlainText);
  EXPECT_EQ(ReadFileBytes(news), bytes);
  EXPECT_TRUE(c.statusPanel->text().startsWith("Put back 1 shortcut"));
}

TEST(SafetyNet, TheFirstJoinKeepsThisComputersFavoritesByDefault) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  MessageBoxAnswerer boxes;
  EXPECT_TRUE(window.session().KeepOnFirstJoin(3));
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].answer,
            "Keep this computer's 3 favorites and add them to the shared list");
  EXPECT_EQ(boxes.seen()[0].format, Qt::PlainText);
}

}  // namespace
}  // namespace kestrin::test
