#include "ui/scheduler.h"

#include <array>

namespace kestrin::ui {

namespace {
// "15 Min", "30 Min", "45 Min", "1 Hrs", "3 Hrs", "6 Hrs", "12 Hrs", "24 Hrs".
constexpr std::array kIntervalSeconds = {900, 1800, 2700, 3600, 10800, 21600, 43200, 86400};
}  // namespace

Scheduler::Scheduler(std::chrono::milliseconds tickPeriod, QObject* parent) : QObject(parent) {
  timer_.setObjectName("Timer1");
  timer_.setInterval(tickPeriod);
  connect(&timer_, &QTimer::timeout, this, &Scheduler::ticked);
}

std::optional<int> Scheduler::IntervalSeconds(int listPosition) {
  if (listPosition < 0 || listPosition >= static_cast<int>(kIntervalSeconds.size())) {
    return std::nullopt;
  }
  return kIntervalSeconds[listPosition];
}

void Scheduler::Start(int listPosition) {
  counter_ = 0;
  interval_ = IntervalSeconds(listPosition).value_or(interval_);
  timer_.start();
}

void Scheduler::Stop() {
  timer_.stop();
  counter_ = 0;
  interval_ = 0;
}

bool Scheduler::CountTick() {
  if (counter_ < interval_) {
    ++counter_;
    return false;
  }
  return true;
}

}  // namespace kestrin::ui
