#pragma once

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <vector>

#include "desktop/countdown.h"
#include "sync/change_list.h"
#include "ui/dpi_scale.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTreeWidget;

namespace kestrin::ui {

// frmProcess: lists the pending changes with a tick box each and lets the user process the
// ticked ones or cancel. A countdown closes it as cancelled unless the user disables it;
// its timer supplies the countdown's ticks.
class ProcessDialog : public QDialog {
  Q_OBJECT

 public:
  ProcessDialog(const ChangeList& changes, std::chrono::milliseconds tickPeriod, QWidget* parent);

  // True once "Process" was pressed; the dialog then has closed.
  bool processed() const { return processed_; }
  // The ticked rows, in the list's order.
  std::vector<ChangeRow> TickedRows() const;
  bool countdownRunning() const { return timer_.isActive(); }

  void Timer1_Timer();
  void cmdDisableTimer_Click();
  void cmdCancel_Click();
  void cmdProcess_Click();
  void chkAllNone_Click();

 private:
  void AddColumns();
  void AddRows();
  void LayOut(QLabel* timeoutLabel);
  void ShowCountdown();

  DpiScale scale_;
  std::vector<ChangeRow> rows_;
  QTreeWidget* listView_;
  QCheckBox* allNone_;
  QPushButton* disableTimer_;
  QPushButton* cancel_;
  QPushButton* process_;
  QStatusBar* statusBar_;
  QTimer timer_;
  desktop::Countdown countdown_;
  bool processed_ = false;
};

}  // namespace kestrin::ui
