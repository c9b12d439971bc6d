#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "eeprom/programming_run.h"
#include "platform/scheduler.h"

namespace tarvex::testing {

// The programming window as a run sees it: records what it is told to show
// and closes as the window does (by calling the run's FormClose).
struct RecordingProgrammerView final : eeprom::ProgrammerView {
  RecordingProgrammerView(eeprom::ProgrammingRun& run_, platform::Scheduler& scheduler_)
      : run(run_), scheduler(scheduler_) {
    run.set_view(this);
  }
  ~RecordingProgrammerView() override { run.set_view(nullptr); }
  RecordingProgrammerView(const RecordingProgrammerView&) = delete;
  RecordingProgrammerView& operator=(const RecordingProgrammerView&) = delete;

  void show_label(int n, const std::string& text) override { labels[n] = text; }
  void enable_buttons(bool on) override {
    buttons = on;
    if (on && buttons_at < 0) buttons_at = scheduler.now_ms();
  }
  void scroll_to(int top) override { tops.push_back(top); }
  void close_window() override {
    ++closes;
    closed_at = scheduler.now_ms();
    run.FormClose();
  }

  eeprom::ProgrammingRun& run;
  platform::Scheduler& scheduler;
  std::map<int, std::string> labels;
  bool buttons = false;
  std::int64_t buttons_at = -1;
  std::vector<int> tops;
  int closes = 0;
  std::int64_t closed_at = -1;
};

}  // namespace tarvex::testing
