#pragma once

#include <string>

namespace kestrin {

// The picture that goes with an activity line and becomes the tray icon.
enum class StatusImage { Ready = 1, Working = 2, Error = 3 };

// All that the engine asks of a user interface. The desktop program carries it out with
// its window and tray icon; kestrin-cli by printing. The texts quote servers, lists and
// folders as they are: each display shows them through PrintableText.
class RunDisplay {
 public:
  virtual ~RunDisplay() = default;
  virtual void ClearActivityPane() = 0;
  virtual void AppendActivityLine(const std::string& text) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  virtual void SetTrayState(StatusImage image, const std::string& tooltip) = 0;
  virtual void ShowRunState(bool running) = 0;
  // How far a long pass has come ("Creating shortcuts: 4 512 of 100 000"); empty when the
  // pass is over. Never an activity line: neither the activity pane nor the log holds it.
  virtual void ShowProgress(const std::string& /*text*/) {}
};

}  // namespace kestrin
