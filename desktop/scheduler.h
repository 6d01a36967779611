#pragma once

#include <array>
#include <optional>

namespace kestrin::desktop {

// The "Every:" list's entries, list positions 0 to 7.
inline constexpr std::array<const char*, 8> kScheduleEntries = {
    "15 Min", "30 Min", "45 Min", "1 Hrs", "3 Hrs", "6 Hrs", "12 Hrs", "24 Hrs"};

// "Schedule Sync": counts one-second ticks up to the interval chosen in the "Every:" list.
// It owns no clock: the front end's timer calls DesktopSession::Tick once a second, and
// tests count ticks themselves.
class Scheduler {
 public:
  // Seconds for a position of the interval list; nullopt for a position outside it.
  static std::optional<int> IntervalSeconds(int listPosition);

  // Restarts the count from 0; a position outside the list keeps the previous interval.
  void Start(int listPosition);
  void Stop();

  // One tick while running: counts it, or returns true when the count has reached the
  // interval (the owner then runs a sync and starts the count again). A stopped scheduler
  // ignores ticks.
  bool CountTick();

  bool running() const { return running_; }
  int counter() const { return counter_; }
  int interval() const { return interval_; }

 private:
  bool running_ = false;
  int counter_ = 0;
  int interval_ = 0;
};

}  // namespace kestrin::desktop
