#include "support/real_time_scheduler.h"

#include <algorithm>
#include <ctime>
#include <thread>

namespace tarvex::testing {

struct RealTimeScheduler::TimerState {
  const RealTimeScheduler* owner = nullptr;
  int interval = 1000;
  bool enabled = false;
  bool running = false;
  std::int64_t due = 0;
  std::function<void()> handler;
};

namespace {

class RealTimer final : public platform::Timer {
 public:
  explicit RealTimer(std::shared_ptr<RealTimeScheduler::TimerState> state)
      : state_(std::move(state)) {}
  void set_interval(int ms) override {
    state_->interval = std::max(ms, 1);
    restart();
  }
  int interval() const override { return state_->interval; }
  void set_enabled(bool enabled) override {
    state_->enabled = enabled;
    restart();
  }
  bool enabled() const override { return state_->enabled; }
  void set_handler(std::function<void()> handler) override { state_->handler = std::move(handler); }

 private:
  void restart() { state_->due = state_->owner->now_ms() + state_->interval; }
  std::shared_ptr<RealTimeScheduler::TimerState> state_;
};

}  // namespace

RealTimeScheduler::RealTimeScheduler() : start_(std::chrono::steady_clock::now()) {}

std::unique_ptr<platform::Timer> RealTimeScheduler::create_timer(int interval_ms) {
  auto state = std::make_shared<TimerState>();
  state->owner = this;
  state->interval = std::max(interval_ms, 1);
  timers_.push_back(state);
  return std::make_unique<RealTimer>(state);
}

std::int64_t RealTimeScheduler::now_ms() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void RealTimeScheduler::process_messages() {
  ++pump_count_;
  std::deque<std::function<void()>> work;
  {
    std::lock_guard lock(posted_mutex_);
    work.swap(posted_);
  }
  for (auto& w : work) w();
  std::erase_if(timers_, [](const auto& t) { return t.expired(); });
  const auto timers = timers_;
  for (const auto& weak : timers) {
    auto t = weak.lock();
    if (!t || !t->enabled || t->running || t->due > now_ms()) continue;
    t->due = now_ms() + t->interval;
    if (!t->handler) continue;
    t->running = true;
    auto handler = t->handler;
    handler();
    t->running = false;
  }
}

void RealTimeScheduler::sleep_ms(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void RealTimeScheduler::post(std::function<void()> work) {
  std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(work));
}

std::string RealTimeScheduler::long_time_text() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[16];
  std::strftime(text, sizeof text, "%H:%M:%S", &tm);
  return text;
}

std::string RealTimeScheduler::short_date_text() const {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[16];
  std::strftime(text, sizeof text, "%Y/%m/%d", &tm);
  return text;
}

}  // namespace tarvex::testing
