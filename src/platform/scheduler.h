#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tarvex::platform {

// A window timer: fires its handler every interval while enabled, always in
// the user-interface thread.
class Timer {
 public:
  virtual ~Timer() = default;
  virtual void set_interval(int ms) = 0;
  virtual int interval() const = 0;
  // Enabling (or changing the interval of) a running timer restarts its period.
  virtual void set_enabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void set_handler(std::function<void()> handler) = 0;
};

// Time, timers and the message pump. Waits that must keep the window alive call
// process_messages() between short sleep_ms() steps.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  // A new timer, stopped, with the given interval.
  virtual std::unique_ptr<Timer> create_timer(int interval_ms) = 0;
  // Milliseconds on a monotonic clock.
  virtual std::int64_t now_ms() const = 0;
  // Runs pending window messages: due timers, posted work, input.
  virtual void process_messages() = 0;
  virtual void sleep_ms(int ms) = 0;
  // Queues work to run in the user-interface thread at the next pump. Safe to
  // call from any thread.
  virtual void post(std::function<void()> work) = 0;
  // The current time and date in the system locale's long time and short date
  // formats.
  virtual std::string long_time_text() const = 0;
  virtual std::string short_date_text() const = 0;
};

}  // namespace tarvex::platform
