#include "support/real_time_scheduler.h"

#include <ctime>
#include <thread>

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

namespace {
std::string local_now(const char* format) {
  const std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  char text[32];
  std::strftime(text, sizeof text, format, &tm);
  return text;
}
}  // namespace

std::string RealTimeScheduler::long_time_text() const {
  return local_now("%H:%M:%S");
}

std::string RealTimeScheduler::short_date_text() const {
  return local_now("%Y/%m/%d");
}

}  // namespace tarvex::testing
