// An EEPROM programming run of 200 rows of 30 characters against an instant
// acknowledging programmer on a 9600-baud line, on virtual time. The time
// the run takes is set against the protocol's own cost: the wire time of
// every byte plus the waits the protocol prescribes. It should stay within
// a tenth above it.

#include <benchmark/benchmark.h>

#include "eeprom/programming_run.h"
#include "eeprom/simulated_programmer.h"
#include "platform/virtual_scheduler.h"
#include "support/recording_programmer_view.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace {

using namespace tarvex;
using namespace tarvex::eeprom;

constexpr int kRows = 200;
constexpr int kLength = 30;
constexpr double kByteMs = 10.0 * 1000.0 / 9600.0;  // 8N1: ten bits a byte
constexpr int kPollMs = 5;                          // the serial waits look at the line every 5 ms

// What the protocol itself costs for one run, in milliseconds.
double protocol_ms() {
  const double write = (3 + kLength + 1) * kByteMs + kPollMs;  // record, then ACK at a poll
  const double read = 4 * kByteMs + (kLength + 1) * kPollMs;   // one byte per poll
  return wait::kAckPassDelay + 2 * kByteMs + kRows * (write + read) + wait::kAckFinish;
}

void AcknowledgingRunAgainstProtocolCost(benchmark::State& state) {
  testing::TempFolder dir;
  std::string tpl = "24FC512\r\n\x01\r\n";
  for (int i = 0; i < kRows; ++i) {
    char address[8];
    std::snprintf(address, sizeof address, "$%04X", i * 64);
    tpl += std::string(address) + "\r\n" + std::to_string(i + 1) + "\r\n";
  }
  dir.write("EEPROM Devices/Bench.dtp", tpl);
  double run_ms = 0;
  for (auto _ : state) {
    platform::VirtualScheduler scheduler;
    testing::ScriptedUi ui;
    SimulatedProgrammer programmer(scheduler, ProgrammerModel::Acknowledging);
    programmer.answer_delay_ms = 0;
    programmer.write_cycle_ms = 0;
    programmer.record_gap_ms = 1;  // the least that tells one record from the next
    programmer.baud_rate = 9600;
    ProgrammingRun run(programmer, scheduler, ui, dir.path());
    testing::RecordingProgrammerView view(run, scheduler);
    platform::StringGrid table(6, kRows + 1);
    for (int r = 1; r <= kRows; ++r)
      table.set_row_cells(
          r, {"d", std::to_string(r), "30", "", std::string(kLength, 'a' + r % 26), "Selected"});
    run.load_rows(table, "Bench");
    const std::int64_t start = scheduler.now_ms();
    run.FormActivate();
    while (!view.closes && scheduler.now_ms() - start < 3'600'000) scheduler.advance(100);
    run_ms = static_cast<double>(scheduler.now_ms() - start);
    if (!view.closes || !ui.messages.empty() || run.StringGrid1().cell(3, kRows) != kVerified)
      state.SkipWithError("the run did not verify every row");
  }
  const double cost = protocol_ms();
  state.counters["run_ms"] = run_ms;
  state.counters["protocol_ms"] = cost;
  state.counters["ratio"] = run_ms / cost;
  if (run_ms > 1.10 * cost) state.SkipWithError("the run takes more than 10 % over the protocol");
}

BENCHMARK(AcknowledgingRunAgainstProtocolCost)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
