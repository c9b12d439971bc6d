#pragma once

#include <QElapsedTimer>

#include "platform/scheduler.h"

namespace tarvex::qt {

// The Scheduler seam on QTimer and the Qt event loop.
class QtScheduler final : public platform::Scheduler {
 public:
  QtScheduler();
  std::unique_ptr<platform::Timer> create_timer(int interval_ms) override;
  std::int64_t now_ms() const override { return clock_.elapsed(); }
  void process_messages() override;
  void sleep_ms(int ms) override;
  void post(std::function<void()> work) override;
  std::string long_time_text() const override;
  std::string short_date_text() const override;

 private:
  QElapsedTimer clock_;
};

}  // namespace tarvex::qt
