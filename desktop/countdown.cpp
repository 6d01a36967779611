#include "desktop/countdown.h"

namespace kestrin::desktop {

Countdown::Step Countdown::Tick() {
  if (!running_) {
    return Step::Counting;
  }
  if (count_ < kTimeoutTicks) {
    text_ = "Timeout in " + std::to_string(kTimeoutTicks - count_) + " secs.";
    ++count_;
    return Step::Counting;
  }
  running_ = false;
  return Step::TimedOut;
}

void Countdown::Disable() {
  running_ = false;
  text_ = "Timeout Disabled.";
}

}  // namespace kestrin::desktop
