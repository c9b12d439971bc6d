// "Program via SMS" over 10,000 selected rows against a bare loop that writes
// the same 10,000 files with the same contents. The run should cost at most
// half as much again as the bare loop.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "outbound/outbox_message_file.h"
#include "outbound/sms_programming.h"
#include "platform/text_file.h"
#include "support/temp_folder.h"

namespace {

using namespace tarvex;

constexpr int kRows = 10000;
const std::string kUnit = "+27821234567";

// A Ui that swallows every message box.
class SilentUi final : public platform::Ui {
 public:
  void message(const std::string&) override {}
  platform::Answer question(const std::string&, bool) override { return platform::Answer::No; }
  std::optional<std::string> open_file(const platform::FileDialogRequest&) override { return {}; }
  std::optional<std::string> save_file(const platform::FileDialogRequest&) override { return {}; }
  std::optional<std::string> pick_folder(const std::string&, const std::string&) override {
    return {};
  }
  int show_modal(const std::string&) override { return 0; }
  std::optional<std::string> shell_open(const std::string&, const std::string&) override {
    return std::nullopt;
  }
};

std::string text_of(int row) {
  return "Zone " + std::to_string(row) + " open";
}

void fill(platform::StringGrid& grid) {
  grid.set_row_count(kRows + 1);
  for (int r = 1; r <= kRows; ++r)
    grid.set_row_cells(r, {"Zone", "12", "40", "1", text_of(r), "Selected"});
}

// The same files, composed beforehand so that only the writing is timed.
struct BareFiles {
  std::vector<std::string> paths;
  std::vector<std::string> contents;
  explicit BareFiles(const std::string& folder) {
    for (int r = 1; r <= kRows; ++r) {
      paths.push_back(platform::join_path(folder, kUnit + "_" + std::to_string(r) + ".txt"));
      contents.push_back(kUnit + ",7,P1234S12\"1" + text_of(r) + "\"");
    }
  }
};

// A mode-1 run of the whole table into folder, with nothing shown or logged.
outbound::SmsRunInputs run_inputs(platform::StringGrid& grid, platform::Ui& ui,
                                  const std::string& folder) {
  return {
      .unit_number = kUnit,
      .password = "1234",
      .mode = 1,
      .framing = {"P", "S", "AP", "AS"},
      .programming_folder = folder,
      .grid = grid,
      .ui = ui,
      .lock_program_menu = [] {},
      .write_log = [](const std::string&) {},
  };
}

void ProgramViaSms(benchmark::State& state) {
  testing::TempFolder dir;
  SilentUi ui;
  platform::StringGrid grid(6, 2);
  fill(grid);
  const outbound::SmsRunInputs in = run_inputs(grid, ui, dir.file("Outbox"));
  for (auto _ : state) {
    state.PauseTiming();
    for (int r = 1; r <= kRows; ++r) grid.set_cell(5, r, outbound::kSelected);
    state.ResumeTiming();
    const auto result = outbound::program_via_sms(in, outbound::SmsFraming::CurrentMode);
    if (result.programmed != kRows) state.SkipWithError("rows were not programmed");
  }
  // The files must be the bare loop's.
  const BareFiles expected(dir.file("Outbox"));
  if (platform::read_file(expected.paths[41]) != expected.contents[41])
    state.SkipWithError("the run wrote other bytes than the bare loop");
  state.SetItemsProcessed(state.iterations() * kRows);
}

// The bare loop with the program's own file writer (whole file beside, then
// renamed into place).
void BareLoop(benchmark::State& state) {
  testing::TempFolder dir;
  platform::create_folders(dir.file("Outbox"));
  const BareFiles files(dir.file("Outbox"));
  for (auto _ : state) {
    for (int i = 0; i < kRows; ++i) platform::write_file(files.paths[i], files.contents[i]);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// For scale: create, write, close in place, with no rename.
void BareLoopInPlace(benchmark::State& state) {
  testing::TempFolder dir;
  platform::create_folders(dir.file("Outbox"));
  const BareFiles files(dir.file("Outbox"));
  for (auto _ : state) {
    for (int i = 0; i < kRows; ++i) {
      std::FILE* f = std::fopen(files.paths[i].c_str(), "wb");
      if (!f) {
        state.SkipWithError("cannot write");
        break;
      }
      std::fwrite(files.contents[i].data(), 1, files.contents[i].size(), f);
      std::fclose(f);
    }
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}

// Both in turn, so that the load of the machine falls on both alike; the
// counters give the two wall-clock times and their ratio.
void RunAgainstBareLoop(benchmark::State& state) {
  testing::TempFolder dir;
  SilentUi ui;
  platform::StringGrid grid(6, 2);
  fill(grid);
  const outbound::SmsRunInputs in = run_inputs(grid, ui, dir.file("Run"));
  platform::create_folders(dir.file("Bare"));
  const BareFiles files(dir.file("Bare"));
  using Clock = std::chrono::steady_clock;
  Clock::duration run{}, bare{};
  for (auto _ : state) {
    for (int r = 1; r <= kRows; ++r) grid.set_cell(5, r, outbound::kSelected);
    // Which goes first changes with every iteration.
    const bool run_first = state.iterations() % 2 == 0;
    Clock::duration took_run{}, took_bare{};
    for (int turn = 0; turn < 2; ++turn) {
      const auto start = Clock::now();
      if ((turn == 0) == run_first) {
        outbound::program_via_sms(in, outbound::SmsFraming::CurrentMode);
        took_run = Clock::now() - start;
      } else {
        for (int i = 0; i < kRows; ++i) platform::write_file(files.paths[i], files.contents[i]);
        took_bare = Clock::now() - start;
      }
    }
    run += took_run;
    bare += took_bare;
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["run_ms"] = std::chrono::duration<double, std::milli>(run).count() / n;
  state.counters["bare_ms"] = std::chrono::duration<double, std::milli>(bare).count() / n;
  state.counters["ratio"] = static_cast<double>(run.count()) / static_cast<double>(bare.count());
}

BENCHMARK(RunAgainstBareLoop)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(ProgramViaSms)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);
BENCHMARK(BareLoop)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);
BENCHMARK(BareLoopInPlace)->Unit(benchmark::kMillisecond)->Iterations(10)->Repetitions(3);

}  // namespace
