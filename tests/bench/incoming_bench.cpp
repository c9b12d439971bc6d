// Incoming messages at scale.
//
// UnitLogSearchAgainstGrep: "Get Log From Unit" with a text criterion over a
// generated 1 GB unit log, against `grep -F -c` for the same text on the same
// file (page cache warm for both). The search should take at most 1.5 times
// grep's time. The log is written to /tmp when the benchmark runs and removed
// afterwards.
//
// IncomingTickOnLargeGrid: a burst of 1,000 incoming files taken one per
// poll by the main window while its incoming grid holds 100,000 rows. Each
// tick (poll, grid, counter, scroll, and the view catching up) should stay
// under 5 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>

#include <QApplication>

#include "incoming/incoming_message.h"
#include "incoming/unit_log.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "shell/main_window.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

using namespace tarvex;
using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

constexpr const char* kRareText = "Tamper, siren box";

// About size bytes of unit log lines; one line in 20,000 holds kRareText.
void write_log(const std::string& path, std::uint64_t size) {
  const char* texts[] = {"Armed",
                         "Disarmed",
                         "Alarm zone 3, gate",
                         "Power fail",
                         "Status: OK, battery 12.6V",
                         "Signal strength 18",
                         "Gate opened"};
  std::mt19937 random(7);
  std::FILE* file = std::fopen(path.c_str(), "wb");
  std::string chunk;
  char line[160];
  std::uint64_t written = 0;
  for (std::uint64_t n = 0; written < size; ++n) {
    const unsigned r = random();
    const char* text = n % 20000 == 19999 ? kRareText : texts[r % 7];
    const int len =
        std::snprintf(line, sizeof line, "+2782%07u,gsm,2026/12/%02u %02u:%02u:%02u,%s\r\n",
                      r % 10000000, 1 + r % 28, r % 24, r % 60, (r >> 8) % 60, text);
    chunk.append(line, len);
    written += len;
    if (chunk.size() > (1 << 20)) {
      std::fwrite(chunk.data(), 1, chunk.size(), file);
      chunk.clear();
    }
  }
  std::fwrite(chunk.data(), 1, chunk.size(), file);
  std::fclose(file);
}

void UnitLogSearchAgainstGrep(benchmark::State& state) {
  const std::string path = "/tmp/tarvex-bench-unit-log.msg";
  write_log(path, std::uint64_t{1} << 30);
  // Not into /dev/null: grep then stops at the first match.
  const std::string grep =
      std::string("grep -F -c '") + kRareText + "' " + path + " > " + path + ".count";
  if (std::system(grep.c_str()) < 0) state.SkipWithError("grep did not run");  // warms the cache
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  platform::StringGrid grid(4, 2);
  double grep_total = 0, ours_total = 0;
  int found = 0;
  for (auto _ : state) {
    auto start = Clock::now();
    if (std::system(grep.c_str()) < 0) state.SkipWithError("grep did not run");
    const double grep_s = seconds_since(start);
    start = Clock::now();
    const incoming::SearchResult result =
        incoming::search_unit_log({path, {.text = kRareText}, grid, ui, scheduler, {}});
    const double ours_s = seconds_since(start);
    found = result.found;
    grep_total += grep_s;
    ours_total += ours_s;
    state.SetIterationTime(ours_s);
  }
  state.counters["grep_s"] = grep_total / state.iterations();
  state.counters["search_s"] = ours_total / state.iterations();
  state.counters["ratio"] = ours_total / grep_total;
  state.counters["lines_found"] = found;
  std::filesystem::remove(path);
  std::filesystem::remove(path + ".count");
}
BENCHMARK(UnitLogSearchAgainstGrep)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

void IncomingTickOnLargeGrid(benchmark::State& state) {
  constexpr int kRows = 100000, kFiles = 1000;
  testing::TempFolder dir;
  dir.write("setup.txt", "Outbox\r\nDevices\r\nInbox\r\n\r\nunits.msg\r\nFunctions\r\n1\r\n");
  dir.write("Hardware.ini", "");
  dir.write("History.ini", "");
  dir.write("Config.ini", "");
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  shell::TForm1 form(ui, scheduler, dir.path());
  form.resize(1200, 800);
  form.show();
  form.set_receiving(false);  // the ticks are driven by hand
  platform::StringGrid& grid = form.incoming_grid();
  {
    platform::GridUpdate update(grid);
    for (int r = 0; r < kRows; ++r)
      incoming::append_message_row(grid, {"+27821234567", "2026/12/08 ", "10:00:00", "Armed"});
  }
  QApplication::processEvents();
  double worst = 0, total = 0, first_tick = 0, pollt = 0;
  std::vector<double> times;
  int ticks = 0;
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < kFiles; ++i)
      dir.write("Inbox/burst-" + std::to_string(i) + ".txt",
                "+27731112222,s,2026/12/08 10:00:00,Reply " + std::to_string(i) + "\r\n");
    state.ResumeTiming();
    // The first tick looks at the whole burst and takes nothing yet.
    const auto first = Clock::now();
    form.Timer3Timer();
    QApplication::processEvents();
    first_tick = seconds_since(first);
    for (int i = 0; i < kFiles; ++i) {
      const auto start = Clock::now();
      form.Timer3Timer();
      pollt += seconds_since(start);  // without the view's catching up
      QApplication::processEvents();
      const double took = seconds_since(start);
      worst = std::max(worst, took);
      times.push_back(took);
      total += took;
      ++ticks;
    }
  }
  state.counters["tick_mean_ms"] = total / ticks * 1000;
  state.counters["tick_worst_ms"] = worst * 1000;
  state.counters["first_tick_ms"] = first_tick * 1000;
  state.counters["poll_only_ms"] = pollt / ticks * 1000;
  std::sort(times.begin(), times.end());
  state.counters["tick_p99_ms"] = times[times.size() * 99 / 100] * 1000;
  state.counters["grid_rows"] = grid.row_count() - 2;
}
BENCHMARK(IncomingTickOnLargeGrid)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
