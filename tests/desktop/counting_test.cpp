// The two clocks of the desktop programs, counted in ticks given by hand: the schedule and
// the confirmation dialog's timeout.
#include <gtest/gtest.h>

#include "desktop/countdown.h"
#include "desktop/scheduler.h"

namespace kestrin::test {
namespace {

using desktop::Countdown;
using desktop::Scheduler;

// Ticks until CountTick says the interval has run out, within a bound.
int TicksUntilDue(Scheduler& scheduler, int bound) {
  for (int tick = 1; tick <= bound; ++tick) {
    if (scheduler.CountTick()) {
      return tick;
    }
  }
  return -1;
}

// Every entry of the "Every:" list runs a sync on the tick after its last second.
TEST(Scheduler, EachIntervalIsDueOnTheTickAfterItsSeconds) {
  const int seconds[] = {900, 1800, 2700, 3600, 10800, 21600, 43200, 86400};
  for (int position = 0; position < 8; ++position) {
    Scheduler scheduler;
    scheduler.Start(position);
    EXPECT_EQ(TicksUntilDue(scheduler, 90000), seconds[position] + 1) << position;
  }
}

TEST(Scheduler, StoppedItIgnoresTicksAndRestartingCountsFromZero) {
  Scheduler scheduler;
  EXPECT_EQ(TicksUntilDue(scheduler, 2000), -1);
  scheduler.Start(0);
  EXPECT_EQ(TicksUntilDue(scheduler, 500), -1);
  scheduler.Start(0);
  EXPECT_EQ(scheduler.counter(), 0);
  EXPECT_EQ(TicksUntilDue(scheduler, 2000), 901);
  scheduler.Stop();
  EXPECT_FALSE(scheduler.running());
  EXPECT_EQ(TicksUntilDue(scheduler, 2000), -1);
}

// A position outside the list (no entry chosen yet, or a bad file) keeps the interval it had.
TEST(Scheduler, APositionOutsideTheListKeepsThePreviousInterval) {
  for (const int outside : {-1, 8, 1000}) {
    Scheduler scheduler;
    scheduler.Start(1);
    scheduler.Start(outside);
    EXPECT_EQ(scheduler.interval(), 1800) << outside;
    EXPECT_EQ(Scheduler::IntervalSeconds(outside), std::nullopt);
  }
}

TEST(Countdown, ShowsTheSecondsLeftFrom120To1AndTimesOutOnThe121stTick) {
  Countdown countdown;
  for (int tick = 1; tick <= Countdown::kTimeoutTicks; ++tick) {
    ASSERT_EQ(countdown.Tick(), Countdown::Step::Counting) << tick;
    EXPECT_EQ(countdown.text(), "Timeout in " + std::to_string(121 - tick) + " secs.");
  }
  EXPECT_EQ(countdown.Tick(), Countdown::Step::TimedOut);
  EXPECT_FALSE(countdown.running());
}

// "Disable" at any point: the dialog then waits for the user however many ticks come.
TEST(Countdown, DisabledItNeverTimesOut) {
  for (const int before : {0, 1, 119, 120}) {
    Countdown countdown;
    for (int tick = 0; tick < before; ++tick) {
      countdown.Tick();
    }
    countdown.Disable();
    for (int tick = 0; tick < 500; ++tick) {
      ASSERT_EQ(countdown.Tick(), Countdown::Step::Counting) << before;
    }
    EXPECT_EQ(countdown.text(), "Timeout Disabled.");
  }
}

}  // namespace
}  // namespace kestrin::test
