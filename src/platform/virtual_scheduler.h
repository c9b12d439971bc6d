#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/scheduler.h"

namespace tarvex::platform {

// Virtual time for tests: the clock moves only through advance() or sleep_ms(),
// and due timers fire in the order of their due time. process_messages() runs
// posted work, timers that are due now, and an optional pump hook, which gives
// the same re-entrancy as a real message pump.
class VirtualScheduler final : public Scheduler {
 public:
  VirtualScheduler();
  ~VirtualScheduler() override;
  VirtualScheduler(const VirtualScheduler&) = delete;
  VirtualScheduler& operator=(const VirtualScheduler&) = delete;

  std::unique_ptr<Timer> create_timer(int interval_ms) override;
  std::int64_t now_ms() const override { return now_; }
  void process_messages() override;
  void sleep_ms(int ms) override { advance(ms); }
  void post(std::function<void()> work) override;
  std::string long_time_text() const override;
  std::string short_date_text() const override;

  // Moves the clock forward by ms, firing every timer that falls due on the way.
  void advance(std::int64_t ms);
  // Runs inside every process_messages(), for tests that act "during" a wait.
  void set_pump_hook(std::function<void()> hook) { pump_hook_ = std::move(hook); }
  // How many times process_messages() has run.
  std::int64_t pump_count() const { return pump_count_; }
  // Local wall-clock time that now_ms() == 0 stands for.
  void set_start_time(int year, int month, int day, int hour, int minute, int second);

  struct TimerState;

 private:
  void fire_due();

  std::int64_t now_ = 0;
  std::int64_t pump_count_ = 0;
  std::uint64_t fire_round_ = 0;
  std::vector<std::shared_ptr<TimerState>> timers_;
  std::mutex posted_mutex_;
  std::deque<std::function<void()>> posted_;
  std::function<void()> pump_hook_;
  int start_[6] = {2026, 1, 1, 12, 0, 0};
};

}  // namespace tarvex::platform
