#pragma once

#include <string>

#include "sync/run_display.h"

namespace kestrin::cli {

// The run display of a terminal: activity lines on standard output as they happen; the
// lock wait's countdown on standard error, in place, when that is a terminal.
class PrintDisplay : public RunDisplay {
 public:
  void ClearActivityPane() override {}
  void AppendActivityLine(const std::string& text) override;
  void SetStatusText(const std::string& text) override;
  void SetTrayState(StatusImage, const std::string&) override {}
  void ShowRunState(bool) override {}

 private:
  std::string lastLine_;
  bool countdownShown_ = false;
};

}  // namespace kestrin::cli
