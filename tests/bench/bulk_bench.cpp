// A bulk send to a group of 10,000 numbers, with the number grid shown in a
// grid view, against a bare loop that writes the same 10,000 files with the
// same contents. The send should cost at most half as much again as the loop.

#include <benchmark/benchmark.h>

#include <chrono>

#include "app/session.h"
#include "outbound/bulk_messages.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/string_grid_view.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

constexpr int kNumbers = 10000;
constexpr int kTag = 321;
const std::string kMessage = "Site closed today, alarms armed at 17:00";

std::string number_of(int row) {
  return "+2782" + std::to_string(1000000 + row);
}

struct BulkSend {
  BulkSend() : view(grid) {
    session.settings.programming_folder = "Run";
    std::vector<std::string> numbers;
    for (int r = 1; r <= kNumbers; ++r) numbers.push_back(number_of(r));
    show_numbers(grid, numbers);
    view.resize(600, 400);
    view.show();
    platform::create_folders(dir.file("Bare"));
    for (int r = 1; r <= kNumbers; ++r) {
      const OutboxMessageFile file = bulk_message(number_of(r), kTag, r, kMessage);
      paths.push_back(platform::join_path(dir.file("Bare"), file.file_name()));
      contents.push_back(file.contents());
    }
  }
  // Selected again, and both folders emptied as if the engine took the files.
  void prepare() {
    mark_all(grid, kSelected);
    for (const char* folder : {"Run", "Bare"})
      for (const auto& name : platform::list_files(dir.file(folder), "*"))
        platform::remove_file(platform::join_path(dir.file(folder), name));
  }
  int send() {
    return bulk_send(session, grid, kMessage, [] { return kTag; });
  }
  void bare_loop() {
    for (int i = 0; i < kNumbers; ++i) platform::write_file(paths[i], contents[i]);
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  platform::StringGrid grid{2, 2};
  qt::StringGridView view;
  std::vector<std::string> paths;
  std::vector<std::string> contents;
};

// Both in turn, so that the load of the machine falls on both alike; the
// counters give the two wall-clock times and their ratio.
void BulkSendAgainstBareLoop(benchmark::State& state) {
  BulkSend bulk;
  using Clock = std::chrono::steady_clock;
  Clock::duration run{}, bare{};
  for (auto _ : state) {
    bulk.prepare();
    const bool run_first = state.iterations() % 2 == 0;
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = Clock::now();
      if ((turn == 0) == run_first) {
        if (bulk.send() != kNumbers) state.SkipWithError("numbers were not sent");
        run += Clock::now() - start;
      } else {
        bulk.bare_loop();
        bare += Clock::now() - start;
      }
    }
  }
  // The files must be the bare loop's.
  const std::string name = bulk_message(number_of(42), kTag, 42, kMessage).file_name();
  if (bulk.dir.read("Run/" + name) != bulk.dir.read("Bare/" + name))
    state.SkipWithError("the send wrote other bytes than the bare loop");
  const double n = static_cast<double>(state.iterations());
  state.counters["send_ms"] = std::chrono::duration<double, std::milli>(run).count() / n;
  state.counters["bare_ms"] = std::chrono::duration<double, std::milli>(bare).count() / n;
  state.counters["ratio"] = static_cast<double>(run.count()) / static_cast<double>(bare.count());
}

BENCHMARK(BulkSendAgainstBareLoop)->Unit(benchmark::kMillisecond)->Iterations(6);

}  // namespace
}  // namespace tarvex::outbound
