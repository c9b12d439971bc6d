#include "support/real_time_scheduler.h"

#include <thread>

#include "platform/local_time.h"

namespace tarvex::testing {

RealTimeScheduler::RealTimeScheduler() : start_(std::chrono::steady_clock::now()) {}

std::int64_t RealTimeScheduler::now_ms() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                               start_)
      .count();
}

void RealTimeScheduler::process_messages() {
  timers_.advance(now_ms() - timers_.now_ms());
  timers_.process_messages();
}

void RealTimeScheduler::sleep_ms(int ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::string RealTimeScheduler::long_time_text() const {
  return platform::local_now_text("%H:%M:%S");
}

std::string RealTimeScheduler::short_date_text() const {
  return platform::local_now_text("%Y/%m/%d");
}

}  // namespace tarvex::testing
