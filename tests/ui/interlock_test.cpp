// The controls that depend on each other.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include "tests/ui/ui_test_support.h"

namespace kestrin::test {
namespace {

// Start-up puts "Schedule Sync" out of reach; these tests give it back to reach the rules.
void MakeScheduleUsable(const ui::MainWindowControls& c) {
  c.chkSchedule->setEnabled(true);
}

TEST(Interlock, ScheduleIsRefusedWhileConfirmChangesIsSet) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();
  MakeScheduleUsable(c);
  ASSERT_TRUE(c.chkConfirm->isChecked());
  MessageBoxAnswerer boxes;
  c.chkSchedule->click();
  EXPECT_EQ(
      boxes.texts(),
      std::vector<QString>{
          "You cannot enable the option, 'Confirm Changes' with the option, 'Schedule Sync'."});
  EXPECT_FALSE(c.chkSchedule->isChecked());
  EXPECT_FALSE(c.cmbSchedule->isEnabled());
  EXPECT_FALSE(c.lblSchedule->isEnabled());
  EXPECT_FALSE(window.scheduler().running());
  EXPECT_EQ(window.scheduler().interval(), 0);
}

TEST(Interlock, ConfirmChangesIsRefusedWhileScheduleIsSet) {
  TestComputer computer;
  ui::MainWindow& window = computer.Start();
  const ui::MainWindowControls& c = window.controls();
  MakeScheduleUsable(c);
  c.chkConfirm->click();
  c.cmbSchedule->setCurrentIndex(0);
  c.chkSchedule->click();
  ASSERT_TRUE(c.chkSchedule->isChecked());
  EXPECT_TRUE(c.cmbSchedule->isEnabled());
  EXPECT_TRUE(window.scheduler().running());

  MessageBoxAnswerer boxes;
  c.chkConfirm->click();
  EXPECT_EQ(
      boxes.texts(),
      std::vector<QString>{
          "You cannot enable the option, 'Schedule Sync' with the option, 'Confirm Changes'."});
  EXPECT_FALSE(c.chkConfirm->isChecked());
  EXPECT_TRUE(c.chkSchedule->isChecked());
  EXPECT_TRUE(window.scheduler().running());
}

}  // namespace
}  // namespace kestrin::test
