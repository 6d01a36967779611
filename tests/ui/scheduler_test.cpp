// "Schedule Sync": start-up, its interval and ticks, "Sync Now!", and "Confirm Changes",
// which excludes it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>

#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

const QString kNoScheduleWithConfirm =
    "You cannot enable the option, 'Schedule Sync' with the option, 'Confirm Changes'.";

// Start-up leaves "Schedule Sync" and "Sync on Startup" off and out of reach whatever the
// file says; with "Confirm Changes" also set, it says once that they exclude each other and
// clears that too.
TEST(Schedule, StartUpNeverStartsTheScheduler) {
  for (const bool confirm : {false, true}) {
    TestComputer computer;
    computer.WriteSettings("[Settings]\r\nSyncOnStartup=1\r\nSchedule=1\r\nScheduleInt=2\r\n" +
                           std::string(confirm ? "ConfirmChanges=1\r\n" : ""));
    MessageBoxAnswerer boxes;
    ui::MainWindow& window = computer.Start();
    const ui::MainWindowControls& c = window.controls();
    ASSERT_EQ(boxes.seen().size(), confirm ? 1u : 0u);
    if (confirm) {
      EXPECT_EQ(boxes.seen()[0].text, kNoScheduleWithConfirm);
      EXPECT_EQ(boxes.seen()[0].title, "Kestrin");
      EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
    }
    EXPECT_FALSE(c.chkConfirm->isChecked() || c.chkSchedule->isChecked() ||
                 c.chkSyncOnStartup->isChecked());
    for (const QWidget* control :
         std::initializer_list<QWidget*>{c.chkSchedule, c.chkSyncOnStartup, c.lblScheduleSyncFlag,
                                         c.lblSyncStartupFlag, c.cmbSchedule, c.lblSchedule}) {
      EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_EQ(c.cmbSchedule->currentIndex(), 2);
    EXPECT_FALSE(window.session().scheduler().running());
  }
}

// With "15 Min" the run starts on the 901st tick; "Sync Now!" abandons the count. Runs fail at
// once for lack of a server, which is enough to see when they start.
TEST(Schedule, FifteenMinutesRunOnThe901stTickAndSyncNowStartsTheCountAgain) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();
  c.chkConfirm->setChecked(false);
  c.chkSchedule->setEnabled(true);  // start-up put it out of reach
  c.cmbSchedule->setCurrentIndex(0);
  c.chkSchedule->setChecked(true);
  const auto ranAfter = [&](int ticks) {
    c.txtActivity->clear();
    for (int i = 0; i < ticks; ++i) {
      window.session().SchedulerTick();
    }
    return !c.txtActivity->toPlainText().isEmpty();
  };
  EXPECT_EQ(window.session().scheduler().interval(), 900);
  EXPECT_FALSE(ranAfter(900));
  EXPECT_TRUE(ranAfter(1));
  EXPECT_FALSE(ranAfter(300));
  window.SyncNow();
  EXPECT_TRUE(window.session().scheduler().running());
  EXPECT_EQ(window.session().scheduler().counter(), 0);
  EXPECT_EQ(window.session().scheduler().interval(), 900);
  EXPECT_FALSE(ranAfter(900));
  EXPECT_TRUE(ranAfter(1));
}

// "Sync when Favorites change" runs once the folder has stayed the same for 30 ticks after
// its last change; the run's own changes start no other run, and unticked it watches nothing.
TEST(Schedule, SyncWhenFavoritesChangeRunsThirtyTicksAfterTheLastChange) {
  TestComputer computer;
  computer.WriteSettings("[Settings]\r\nSyncOnChange=1\r\n");
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();
  ASSERT_TRUE(c.chkSyncOnChange->isChecked());
  const auto ranAfter = [&](int ticks) {
    c.txtActivity->clear();
    for (int i = 0; i < ticks; ++i) {
      window.session().FavoritesWatchTick();
    }
    return !c.txtActivity->toPlainText().isEmpty();
  };
  EXPECT_FALSE(ranAfter(40));
  computer.AddShortcut("a.url", "http://a/");
  EXPECT_FALSE(ranAfter(20));
  computer.AddShortcut("b.url", "http://b/");  // the quiet time starts again
  EXPECT_FALSE(ranAfter(desktop::kFavoritesQuietTicks));
  EXPECT_TRUE(ranAfter(1));
  EXPECT_FALSE(ranAfter(40));
  c.chkSyncOnChange->setChecked(false);
  computer.AddShortcut("c.url", "http://c/");
  EXPECT_FALSE(ranAfter(40));
}

TEST(Schedule, AndConfirmChangesRefuseEachOther) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();
  c.chkSchedule->setEnabled(true);  // start-up put it out of reach
  {
    MessageBoxAnswerer boxes;
    c.chkSchedule->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text,
              "You cannot enable the option, 'Confirm Changes' with the option, 'Schedule Sync'.");
    EXPECT_FALSE(c.chkSchedule->isChecked() || c.cmbSchedule->isEnabled() ||
                 c.lblSchedule->isEnabled() || window.session().scheduler().running());
  }
  c.chkConfirm->click();
  c.cmbSchedule->setCurrentIndex(0);
  c.chkSchedule->click();
  ASSERT_TRUE(c.chkSchedule->isChecked() && c.cmbSchedule->isEnabled());
  EXPECT_TRUE(window.session().scheduler().running());

  MessageBoxAnswerer boxes;
  c.chkConfirm->click();
  ASSERT_EQ(boxes.seen().size(), 1u);
  EXPECT_EQ(boxes.seen()[0].text, kNoScheduleWithConfirm);
  EXPECT_FALSE(c.chkConfirm->isChecked());
  EXPECT_TRUE(c.chkSchedule->isChecked() && window.session().scheduler().running());
}

}  // namespace
}  // namespace kestrin::test
