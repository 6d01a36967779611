#pragma once

#include <string>

namespace kestrin::desktop {

// The change confirmation dialog's countdown: 120 one-second ticks, each showing the seconds
// left, and the dialog closes as cancelled at the 121st. "Disable" stops it for good. The
// dialog's own timer calls Tick once a second; the dialog shows text() in its status bar.
class Countdown {
 public:
  static constexpr int kTimeoutTicks = 120;

  enum class Step { Counting, TimedOut };

  // One tick: Counting with text() at "Timeout in N secs.", or TimedOut once the count has
  // run out, when the dialog closes as cancelled. A disabled countdown keeps counting nothing.
  Step Tick();
  // "Disable": the countdown stops and text() reads "Timeout Disabled.".
  void Disable();

  bool running() const { return running_; }
  const std::string& text() const { return text_; }

 private:
  int count_ = 0;
  bool running_ = true;
  std::string text_;
};

}  // namespace kestrin::desktop
