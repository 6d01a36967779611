#pragma once

#include <string>

#include "platform/result.h"
#include "sync/run_display.h"
#include "sync/run_progress.h"

namespace kestrin {

// Shows each activity line on the run display and, when the run is logged, collects it for
// the log.
class ActivityReporter {
 public:
  // Without a log the lines are not kept: a run that creates a hundred thousand shortcuts
  // reports as many lines.
  // The long passes show their progress and yield to the window by the clock `now`.
  ActivityReporter(RunDisplay& display, bool collectLogText, std::function<void()> yield = {},
                   std::function<RunProgress::Clock::time_point()> now = {})
      : display_(display),
        collectLogText_(collectLogText),
        progress_(display, std::move(yield), std::move(now)) {}

  // Tray, status bar, activity pane, then the pending log text, where the line is made
  // printable as the displays make theirs.
  void ReportActivity(const std::string& text, StatusImage image);

  const std::string& PendingLogText() const { return pendingLogText_; }
  void ClearPendingLogText() { pendingLogText_.clear(); }
  RunDisplay& display() { return display_; }
  RunProgress& progress() { return progress_; }
  // True once a line with the error picture was reported.
  bool reportedError() const { return reportedError_; }

 private:
  RunDisplay& display_;
  bool collectLogText_;
  RunProgress progress_;
  std::string pendingLogText_;
  bool reportedError_ = false;
};

// The log of runs with the settings file: see ProgramFilesFor.
std::string ActivityLogPath(const std::string& settingsPath);

// Appends text and CR LF to the log, deleting the log first when it is larger than
// purgeSize * 1000 bytes.
Result<> WriteActivityLog(const std::string& logPath, int purgeSize, const std::string& text);

}  // namespace kestrin
