#pragma once

#include <QWidget>
#include <chrono>
#include <functional>
#include <optional>

namespace kestrin::ui {

// Repaints a widget at once at most every kInterval; a change within that time is painted
// when the window next processes its events, which a run lets it do at least as often. A
// run that reports a hundred thousand activity lines would otherwise spend its time
// repainting them one by one.
class PacedRepaint {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{40};

  explicit PacedRepaint(std::function<Clock::time_point()> now = Clock::now)
      : now_(std::move(now)) {}

  void operator()(QWidget& widget);

 private:
  std::function<Clock::time_point()> now_;
  std::optional<Clock::time_point> due_;  // when the next repaint at once may be
};

}  // namespace kestrin::ui
