#include "sync/run_progress.h"

namespace kestrin {

void RunProgress::Begin(std::string task, std::size_t total) {
  task_ = std::move(task);
  total_ = total;
  done_ = 0;
  if (now_) {
    due_ = now_() + kInterval;
  }
}

void RunProgress::Step() {
  ++done_;
  Idle();
}

void RunProgress::Idle() {
  if (!now_) {
    return;
  }
  const Clock::time_point now = now_();
  if (now < due_) {
    return;
  }
  due_ = now + kInterval;
  std::string text = task_ + ": " + GroupedCount(done_);
  if (total_ > 0) {
    text += " of " + GroupedCount(total_);
  }
  display_.ShowProgress(text);
  shown_ = true;
  if (yield_) {
    yield_();
  }
}

void RunProgress::End() {
  if (shown_) {
    display_.ShowProgress("");
    shown_ = false;
  }
}

std::string GroupedCount(std::size_t count) {
  std::string digits = std::to_string(count);
  for (std::size_t at = digits.size(); at > 3; at -= 3) {
    digits.insert(at - 3, 1, ' ');
  }
  return digits;
}

}  // namespace kestrin
