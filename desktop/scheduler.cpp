#include "desktop/scheduler.h"

namespace kestrin::desktop {

namespace {
// The seconds of the "Every:" list's entries.
constexpr std::array kIntervalSeconds = {900, 1800, 2700, 3600, 10800, 21600, 43200, 86400};
static_assert(kIntervalSeconds.size() == kScheduleEntries.size());
}  // namespace

std::optional<int> Scheduler::IntervalSeconds(int listPosition) {
  if (listPosition < 0 || listPosition >= static_cast<int>(kIntervalSeconds.size())) {
    return std::nullopt;
  }
  return kIntervalSeconds[static_cast<std::size_t>(listPosition)];
}

void Scheduler::Start(int listPosition) {
  running_ = true;
  counter_ = 0;
  interval_ = IntervalSeconds(listPosition).value_or(interval_);
}

void Scheduler::Stop() {
  running_ = false;
  counter_ = 0;
  interval_ = 0;
}

bool Scheduler::CountTick() {
  if (!running_) {
    return false;
  }
  if (counter_ < interval_) {
    ++counter_;
    return false;
  }
  return true;
}

}  // namespace kestrin::desktop
