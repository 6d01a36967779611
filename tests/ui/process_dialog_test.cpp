// The change confirmation dialog and the run's wait for it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <functional>

#include "tests/ui/ui_test_support.h"
#include "ui/confirm_changes.h"
#include "ui/process_dialog.h"

namespace kestrin::test {
namespace {

using std::chrono::hours;

ChangeList TwoOfEach() {
  ChangeList changes;
  // A name from the shared list is shown, never obeyed or rendered; the rows keep it as it is.
  changes.CreateList = {{"Links\\", "News\x1b[2J<b>", "https://news.example/", "", "", "F"},
                        {"Work\\", "", "", "", "", "D"}};
  changes.DeleteList = {{"Old\\", "Gone", "", "", "", "F"}, {"Old\\", "", "", "", "", "D"}};
  return changes;
}

QTreeWidget* List(ui::ProcessDialog& dialog) {
  return dialog.findChild<QTreeWidget*>("ListView1");
}

// Creations above deletions, all ticked, the values shown as they are; only the first four
// columns are shown.
TEST(ProcessDialog, ListsCreationsAboveDeletionsAllTicked) {
  ui::ProcessDialog dialog(TwoOfEach(), hours(24), nullptr);
  EXPECT_EQ(dialog.windowTitle(), "Kestrin - Process");
  QTreeWidget* list = List(dialog);
  QStringList headers;
  for (int i = 0; i < list->columnCount(); ++i) {
    headers << list->headerItem()->text(i) + (list->isColumnHidden(i) ? " (hidden)" : "");
  }
  EXPECT_EQ(headers, QStringList({"Flag", "Action", "Path", "Bookmark", "URL (hidden)",
                                  "IconFile (hidden)", "IconIndex (hidden)", "Type (hidden)"}));
  QStringList rows;
  for (int row = 0; row < list->topLevelItemCount(); ++row) {
    const QTreeWidgetItem* item = list->topLevelItem(row);
    rows << QString::number(item->checkState(0));
    for (int column = 1; column < list->columnCount(); ++column) {
      rows.back() += "|" + item->text(column);
    }
  }
  EXPECT_EQ(rows.join('\n').toStdString(),
            "2|Create Locally|Links\\|News\\x1b[2J<b>|https://news.example/|||F\n"
            "2|Create Locally|Work\\|||||D\n"
            "2|Delete Locally|Old\\|Gone||||F\n"
            "2|Delete Locally|Old\\|||||D");
}

TEST(ProcessDialog, CountsDownFrom120AndClosesAsCancelledOnThe121stTick) {
  ui::ProcessDialog dialog(TwoOfEach(), hours(24), nullptr);
  dialog.show();
  EXPECT_TRUE(dialog.countdownRunning());
  QStatusBar* status = dialog.findChild<QStatusBar*>("StatusBar1");
  for (int tick = 1; tick <= 120; ++tick) {
    dialog.Timer1_Timer();
    EXPECT_EQ(status->currentMessage(), QString("Timeout in %1 secs.").arg(121 - tick));
  }
  EXPECT_TRUE(dialog.isVisible());
  dialog.Timer1_Timer();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
  EXPECT_FALSE(dialog.processed());
}

// Cancel and closing the window end the wait as the countdown does: nothing is applied.
TEST(ConfirmWithDialog, CancelOrCloseReturnsNothing) {
  const std::function<void(ui::ProcessDialog&)> endings[] = {
      [](ui::ProcessDialog& dialog) { dialog.findChild<QPushButton*>("cmdCancel")->click(); },
      [](ui::ProcessDialog& dialog) { dialog.close(); }};
  for (const auto& ending : endings) {
    ProcessDialogAnswerer answerer(ending);
    EXPECT_EQ(ui::ConfirmWithDialog(nullptr, hours(24), TwoOfEach()), std::nullopt);
    EXPECT_TRUE(answerer.answered());
  }
}

}  // namespace
}  // namespace kestrin::test
