// The scheduler: intervals, ticks and its interplay with "Sync Now!".
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>

#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

// A window whose "Schedule Sync" is set with "15 Min"; runs fail at once for lack of a
// server, which is enough to see when they start.
class ScheduledWindow : public testing::Test {
 protected:
  void SetUp() override {
    const ui::MainWindowControls& c = window.controls();
    c.chkConfirm->setChecked(false);
    c.chkSchedule->setEnabled(true);
    c.cmbSchedule->setCurrentIndex(0);
    c.chkSchedule->setChecked(true);
  }
  bool RunHappened() const { return !window.controls().txtActivity->toPlainText().isEmpty(); }
  void Tick(int times) {
    for (int i = 0; i < times; ++i) {
      window.Timer1_Timer();
    }
  }

  TestComputer computer;
  ui::MainWindow& window = computer.Start();
};

TEST_F(ScheduledWindow, FifteenMinutesRunOnThe901stTickAndCountAgainAfterwards) {
  EXPECT_TRUE(window.scheduler().running());
  EXPECT_EQ(window.scheduler().interval(), 900);
  Tick(900);
  EXPECT_FALSE(RunHappened());
  Tick(1);
  EXPECT_TRUE(RunHappened());
  EXPECT_TRUE(window.scheduler().running());
  EXPECT_EQ(window.scheduler().counter(), 0);
  EXPECT_EQ(window.scheduler().interval(), 900);
}

TEST_F(ScheduledWindow, SyncNowAbandonsTheCountAndStartsAgainAfterTheRun) {
  Tick(300);
  window.SyncNow();
  EXPECT_TRUE(RunHappened());
  EXPECT_TRUE(window.scheduler().running());
  EXPECT_EQ(window.scheduler().counter(), 0);
}

TEST(SchedulerStopped, AfterStartUpWithScheduleInTheFileNoRunEverTakesPlace) {
  TestComputer computer;
  computer.WriteSettings("[Settings]\r\nSchedule=1\r\nScheduleInt=0\r\n");
  ui::MainWindow& window = computer.Start();
  EXPECT_FALSE(window.scheduler().running());
  EXPECT_FALSE(window.controls().chkSchedule->isChecked());
}

}  // namespace
}  // namespace kestrin::test
