#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/scheduler.h"
#include "platform/virtual_scheduler.h"

namespace tarvex::testing {

// Wall-clock time for tests that talk to real peers (a real SMTP server): a
// steady clock and a real sleep. The timers and posted work are kept by a
// VirtualScheduler whose time each pump brings up to the wall clock.
class RealTimeScheduler final : public platform::Scheduler {
 public:
  RealTimeScheduler();
  std::unique_ptr<platform::Timer> create_timer(int interval_ms) override {
    return timers_.create_timer(interval_ms);
  }
  std::int64_t now_ms() const override;
  void process_messages() override;
  void sleep_ms(int ms) override;
  void post(std::function<void()> work) override { timers_.post(std::move(work)); }
  std::string long_time_text() const override;
  std::string short_date_text() const override;

  std::int64_t pump_count() const { return timers_.pump_count(); }

 private:
  std::chrono::steady_clock::time_point start_;
  platform::VirtualScheduler timers_;
};

}  // namespace tarvex::testing
