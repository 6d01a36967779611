#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

#include "sync/run_display.h"

namespace kestrin {

// How far a long pass has come, on the run display ("Creating shortcuts: 4 512 of 100 000"),
// and the window's chance to process its events while the pass goes on: both at most every
// kInterval of the clock, so that a pass of a hundred thousand steps neither freezes the
// window nor spends its time repainting it. Without a clock, nothing is shown or yielded.
class RunProgress {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kInterval{10};

  RunProgress(RunDisplay& display, std::function<void()> yield,
              std::function<Clock::time_point()> now)
      : display_(display), yield_(std::move(yield)), now_(std::move(now)) {}

  // A pass of `total` steps (0 when not known beforehand). It is shown once it has lasted
  // kInterval: short passes, the usual ones, show nothing.
  void Begin(std::string task, std::size_t total);
  void Step();
  // The window's chance to process its events during a wait that is no step of the pass.
  void Idle();
  // Takes the progress off the display.
  void End();

 private:
  RunDisplay& display_;
  const std::function<void()> yield_;
  const std::function<Clock::time_point()> now_;
  std::string task_;
  std::size_t total_ = 0;
  std::size_t done_ = 0;
  Clock::time_point due_{};
  bool shown_ = false;
};

// "100 000": digits grouped by three with a blank.
std::string GroupedCount(std::size_t count);

}  // namespace kestrin
