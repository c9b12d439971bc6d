#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/scheduler.h"

namespace tarvex::testing {

// Wall-clock time for tests that talk to real peers (a real SMTP server):
// std::chrono for the clock, a real sleep, and a message pump that runs due
// timers and posted work.
class RealTimeScheduler final : public platform::Scheduler {
 public:
  RealTimeScheduler();
  std::unique_ptr<platform::Timer> create_timer(int interval_ms) override;
  std::int64_t now_ms() const override;
  void process_messages() override;
  void sleep_ms(int ms) override;
  void post(std::function<void()> work) override;
  std::string long_time_text() const override;
  std::string short_date_text() const override;

  std::int64_t pump_count() const { return pump_count_; }

  struct TimerState;

 private:
  std::chrono::steady_clock::time_point start_;
  std::vector<std::weak_ptr<TimerState>> timers_;
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  std::int64_t pump_count_ = 0;
};

}  // namespace tarvex::testing
