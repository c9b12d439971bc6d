#include "platform/virtual_scheduler.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace tarvex::platform {

struct VirtualScheduler::TimerState {
  VirtualScheduler* owner = nullptr;
  int interval = 1000;
  bool enabled = false;
  bool running_handler = false;
  std::int64_t due = 0;
  std::uint64_t fired_in_round = 0;  // the fire_due() call that last fired it
  std::function<void()> handler;
};

namespace {

class VirtualTimer final : public Timer {
 public:
  explicit VirtualTimer(std::shared_ptr<VirtualScheduler::TimerState> state)
      : state_(std::move(state)) {}
  ~VirtualTimer() override {
    state_->enabled = false;
    state_->owner = nullptr;
  }
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
  void restart() {
    if (state_->owner) state_->due = state_->owner->now_ms() + state_->interval;
  }
  std::shared_ptr<VirtualScheduler::TimerState> state_;
};

}  // namespace

VirtualScheduler::VirtualScheduler() = default;

VirtualScheduler::~VirtualScheduler() {
  for (auto& t : timers_) t->owner = nullptr;
}

std::unique_ptr<Timer> VirtualScheduler::create_timer(int interval_ms) {
  // Destroyed timers leave the list here rather than in fire_due(), which
  // runs on every pump and every virtual millisecond.
  std::erase_if(timers_, [](const auto& t) { return t->owner == nullptr; });
  auto state = std::make_shared<TimerState>();
  state->owner = this;
  state->interval = std::max(interval_ms, 1);
  timers_.push_back(state);
  return std::make_unique<VirtualTimer>(state);
}

void VirtualScheduler::post(std::function<void()> work) {
  std::lock_guard lock(posted_mutex_);
  posted_.push_back(std::move(work));
}

void VirtualScheduler::process_messages() {
  ++pump_count_;
  // Most pumps find nothing posted and build no queue of their own: tests
  // pump in tight loops, and even an empty deque allocates.
  std::unique_lock lock(posted_mutex_);
  if (!posted_.empty()) {
    std::deque<std::function<void()>> work;
    work.swap(posted_);
    lock.unlock();
    for (auto& w : work) w();
  } else {
    lock.unlock();
  }
  fire_due();
  if (pump_hook_) pump_hook_();
}

void VirtualScheduler::fire_due() {
  // Fire the timers due now, earliest first, each at most once per call; a
  // handler may change any timer, so the choice is made again after every
  // call. A timer whose handler is still running (it pumps messages itself) is
  // not entered again. A destroyed timer is disabled at once and so never
  // chosen.
  const std::int64_t limit = now_;
  const std::uint64_t round = ++fire_round_;
  for (;;) {
    std::shared_ptr<TimerState> next;
    for (auto& t : timers_) {
      if (!t->enabled || t->running_handler || t->due > limit) continue;
      if (t->fired_in_round == round) continue;
      if (!next || t->due < next->due) next = t;
    }
    if (!next) return;
    next->fired_in_round = round;
    next->due += next->interval;
    if (next->due <= now_) next->due = now_ + next->interval;  // never catch up in bursts
    if (!next->handler) continue;
    next->running_handler = true;
    auto handler = next->handler;
    handler();
    next->running_handler = false;
  }
}

void VirtualScheduler::advance(std::int64_t ms) {
  const std::int64_t target = now_ + std::max<std::int64_t>(ms, 0);
  for (;;) {
    std::int64_t next_due = target + 1;
    for (auto& t : timers_) {
      if (t->owner && t->enabled && !t->running_handler && t->due < next_due) next_due = t->due;
    }
    if (next_due > target) break;
    now_ = std::max(now_, next_due);
    fire_due();
  }
  now_ = std::max(now_, target);
}

void VirtualScheduler::set_start_time(int year, int month, int day, int hour, int minute,
                                      int second) {
  int values[6] = {year, month, day, hour, minute, second};
  std::copy(values, values + 6, start_);
}

namespace {
// The start time plus the virtual time, with every field carried over into
// the next (61 seconds are a minute and a second, and so on).
std::tm virtual_tm(const int start[6], std::int64_t now_ms) {
  using namespace std::chrono;
  const sys_days start_day = year{start[0]} / month{static_cast<unsigned>(start[1])} /
                             day{static_cast<unsigned>(start[2])};
  const sys_seconds at = sys_seconds(start_day) + hours{start[3]} + minutes{start[4]} +
                         seconds{start[5] + now_ms / 1000};
  const sys_days at_day = floor<days>(at);
  const year_month_day date{at_day};
  const hh_mm_ss time{at - at_day};
  std::tm tm{};
  tm.tm_year = static_cast<int>(date.year()) - 1900;
  tm.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
  tm.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
  tm.tm_hour = static_cast<int>(time.hours().count());
  tm.tm_min = static_cast<int>(time.minutes().count());
  tm.tm_sec = static_cast<int>(time.seconds().count());
  return tm;
}
}  // namespace

std::string VirtualScheduler::long_time_text() const {
  std::tm tm = virtual_tm(start_, now_);
  char text[48];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::string VirtualScheduler::short_date_text() const {
  std::tm tm = virtual_tm(start_, now_);
  char text[48];
  std::snprintf(text, sizeof text, "%04d/%02d/%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
  return text;
}

}  // namespace tarvex::platform
