#pragma once

#include <string>

#include "sync/run_display.h"

namespace kestrin::cli {

// The run display of a terminal: activity lines on standard output as they happen, and
// "Error: " lines with their reason lines on standard error too, where scripts and cron
// look for them; the lock wait's countdown on standard error, in place, when that is a
// terminal. The progress of a long pass is one line of standard output rewritten in place,
// shown only on a terminal. Quiet, it shows the errors alone.
class PrintDisplay : public RunDisplay {
 public:
  explicit PrintDisplay(bool quiet);
  void ClearActivityPane() override {}
  void AppendActivityLine(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetTrayState(StatusImage, const std::string&) override {}
  void ShowRunState(bool) override {}
  void ShowProgress(const std::string& text) override;

 private:
  const bool quiet_;
  const bool outputIsTerminal_;
  const bool errorsAreTerminal_;
  std::string lastLine_;
  bool inError_ = false;  // the last line was an "Error: " line or one of its reason lines
  bool countdownShown_ = false;
  bool progressShown_ = false;
};

}  // namespace kestrin::cli
