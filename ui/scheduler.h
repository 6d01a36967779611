#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <optional>

namespace kestrin::ui {

// Counts timer ticks (seconds) up to the interval chosen in the "Every:" list. The owner
// handles each tick: when CountTick() says the interval has run out it stops the scheduler,
// runs a sync and starts it again.
class Scheduler : public QObject {
  Q_OBJECT

 public:
  Scheduler(std::chrono::milliseconds tickPeriod, QObject* parent);

  // Seconds for a position of the interval list; nullopt for a position outside it.
  static std::optional<int> IntervalSeconds(int listPosition);

  // Restarts the count from 0; a position outside the list keeps the previous interval.
  void Start(int listPosition);
  void Stop();

  // One tick: counts it, or returns true when the count has reached the interval.
  bool CountTick();

  bool running() const { return timer_.isActive(); }
  int counter() const { return counter_; }
  int interval() const { return interval_; }

 signals:
  void ticked();

 private:
  QTimer timer_;
  int counter_ = 0;
  int interval_ = 0;
};

}  // namespace kestrin::ui
