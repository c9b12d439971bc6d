#include "eeprom/programming_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "device/device.h"
#include "eeprom/simulated_programmer.h"
#include "platform/virtual_scheduler.h"
#include "support/recording_programmer_view.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

constexpr char T = '\x01';

struct Run : ::testing::Test {
  void SetUp() override { make(ProgrammerModel::Acknowledging); }
  void make(ProgrammerModel model, const std::string& chip = "24FC256") {
    dir.write(
        "EEPROM Devices/Gate.dtp",
        chip +
            "\r\n\x01\r\n$0000\r\n1\r\n$0040\r\n2\r\n$0080\r\n3\r\n$00C0\r\n4\r\n$0100\r\n5\r\n"
            "$0140\r\n6\r\n$0180\r\n7\r\n$01C0\r\n8\r\n");
    programmer = std::make_unique<SimulatedProgrammer>(scheduler, model);
    view.reset();
    run = std::make_unique<ProgrammingRun>(*programmer, scheduler, ui, dir.path());
    view = std::make_unique<testing::RecordingProgrammerView>(*run, scheduler);
  }
  // Main-table rows with the given codes, all "Selected".
  void rows(const std::vector<std::string>& codes) {
    table.set_row_count(static_cast<int>(codes.size()) + 1);
    for (int r = 1; r <= static_cast<int>(codes.size()); ++r)
      table.set_row_cells(r, {"d", codes[r - 1], "30", "1010", "Text" + codes[r - 1], "Selected"});
  }
  // The menu command, then the window shown.
  void start(const std::string& type = "Gate") {
    ASSERT_TRUE(run->load_rows(table, type));
    run->FormActivate();
  }
  std::string status(int k) const { return run->StringGrid1().cell(kColProgress, k); }
  std::string outcome(int r) const { return table.cell(device::kColState, r); }
  std::vector<SimulatedProgrammer::Record> writes() const {
    std::vector<SimulatedProgrammer::Record> w;
    for (const auto& r : programmer->records())
      if (r.write) w.push_back(r);
    return w;
  }
  int writes_at(std::uint16_t address) const {
    int n = 0;
    for (const auto& w : writes()) n += w.address == address;
    return n;
  }
  // Codes 1..8 of the template lie 0x40 apart from address 0.
  static std::uint16_t address_of(const std::string& code) {
    return static_cast<std::uint16_t>((std::stoi(code) - 1) * 0x40);
  }
  void expect_writes_at_own_addresses() const {
    const auto& grid = run->StringGrid1();
    for (const auto& w : writes()) {
      int k = 1;
      while (k <= run->rows() && grid.cell(kColMessage, k) + T != w.data) ++k;
      ASSERT_LE(k, run->rows()) << w.data;
      EXPECT_EQ(w.address, address_of(grid.cell(kColPgm, k))) << w.data;
    }
  }
  // Acts once, from inside a wait, as soon as `when` holds.
  void press_once(std::function<bool()> when, std::function<void()> press) {
    scheduler.set_pump_hook([when, press, done = false]() mutable {
      if (done || !when()) return;
      done = true;
      press();
    });
  }

  testing::TempFolder dir;
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  std::unique_ptr<SimulatedProgrammer> programmer;
  std::unique_ptr<ProgrammingRun> run;
  std::unique_ptr<testing::RecordingProgrammerView> view;
  platform::StringGrid table{6, 2};
};

TEST(ProgressPercent, RoundsHalvesToTheEvenNeighbour) {
  EXPECT_EQ(progress_percent(1, 8), 0);
  EXPECT_EQ(progress_percent(2, 8), 12);  // 12.5
  EXPECT_EQ(progress_percent(4, 8), 38);  // 37.5
  EXPECT_EQ(progress_percent(2, 3), 33);
  EXPECT_EQ(progress_percent(3, 3), 67);
  EXPECT_EQ(progress_percent(2, 40), 2);  // 2.5, exactly
  EXPECT_EQ(progress_percent(9, 8), 100);
}

TEST_F(Run, NothingSelectedShowsNothingAndNoTypeIsRefused) {
  rows({"1"});
  table.set_cell(device::kColState, 1, "Unselected");
  EXPECT_FALSE(run->load_rows(table, "Gate"));
  EXPECT_FALSE(run->load_rows(table, ""));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kNoHardwareType});
}

TEST_F(Run, AcknowledgingRunWritesVerifiesAndClosesTwoSecondsAfterTheLastRow) {
  rows({"1", "X9", "3"});
  table.set_row_count(5);
  table.set_row_cells(4, {"d", "4", "30", "", "not chosen", "Unselected"});
  ASSERT_TRUE(run->load_rows(table, "Gate"));
  EXPECT_EQ(run->StringGrid1().row_cells(0),
            (std::vector<std::string>{"No", "PGM", "Message", "Progress"}));
  EXPECT_EQ(run->StringGrid1().row_cells(2),
            (std::vector<std::string>{"2", "X9", "1010TextX9", "Unprocessed"}));
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(outcome(4), "Unselected");
  EXPECT_EQ(view->labels[1], "Device: Gate");

  run->FormActivate();
  EXPECT_EQ(status(1), "Ready");
  EXPECT_EQ(status(2), "Error");
  EXPECT_EQ(status(3), "Ready");
  EXPECT_EQ(run->StringGrid2().row_cells(2), (std::vector<std::string>{"Error", ""}));
  EXPECT_EQ(run->StringGrid2().row_cells(3), (std::vector<std::string>{"$0080", "1010Text3"}));
  EXPECT_EQ(view->labels[2], "EEPROM: 24FC256");
  EXPECT_EQ(view->labels[4], "Progress: 0%");
  EXPECT_EQ(run->model(), ProgrammingRun::Model::Acknowledging);
  EXPECT_FALSE(view->buttons);

  scheduler.advance(10000);
  EXPECT_EQ(status(1), "Verified");
  EXPECT_EQ(status(2), "Error");
  EXPECT_EQ(status(3), "Verified");
  ASSERT_EQ(writes().size(), 2u);
  EXPECT_EQ(writes()[0].command, 2);
  EXPECT_EQ(writes()[1].address, 0x0080);
  EXPECT_EQ(writes()[1].data, std::string("1010Text3") + T);
  const auto& last = programmer->records().back();
  EXPECT_FALSE(last.write);
  EXPECT_EQ(last.command, 4);
  EXPECT_EQ(view->labels[6], "H: $00 L: $80");
  EXPECT_EQ(view->labels[5], std::string("Data: 1010Text3") + T);
  EXPECT_EQ(view->closes, 1);
  EXPECT_GE(view->closed_at - last.at_ms, 2000);
  EXPECT_LE(view->closed_at - last.at_ms, 2100);
  EXPECT_FALSE(run->Uart1().Active());
  EXPECT_TRUE(ui.messages.empty());
  // Every written row keeps its outcome; the row never sent says so.
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(outcome(2), "Message Error");
  EXPECT_EQ(outcome(3), "Message is Programmed");
  EXPECT_FALSE(run->rows_loaded());
}

TEST_F(Run, NeverAcknowledgedRecordIsTriedSixTimesThenCloseWritesOutcomes) {
  rows({"1", "2", "3", "4", "5"});
  programmer->faults.drop_ack = 3;
  programmer->faults.drop_ack_count = -1;
  start();
  scheduler.advance(20000);
  ASSERT_EQ(writes().size(), 8u);  // rows 1 and 2, then row 3 six times
  for (int i = 3; i < 8; ++i) {
    EXPECT_EQ(writes()[i].address, 0x0080);
    EXPECT_GE(writes()[i].at_ms - writes()[i - 1].at_ms, 1100);
    EXPECT_LE(writes()[i].at_ms - writes()[i - 1].at_ms, 1200);
  }
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_EQ(status(2), "Done");
  EXPECT_EQ(status(3), "Program Error");
  EXPECT_EQ(view->labels[4], "Progress: 40%");
  EXPECT_TRUE(view->buttons);
  // The watchdog offered the buttons 5 s after the last row that finished,
  // while the engine was still trying.
  EXPECT_LT(view->buttons_at, writes()[7].at_ms);
  EXPECT_FALSE(run->Uart1().Active());
  EXPECT_FALSE(run->timer(6).enabled());

  run->Button1Click();
  EXPECT_EQ(view->closes, 1);
  for (int r : {1, 2, 3}) EXPECT_EQ(outcome(r), "Programming failed!") << r;
  for (int r : {4, 5}) EXPECT_EQ(outcome(r), "Selected") << r;
}

TEST_F(Run, RetryGoesOnAtTheFailedRow) {
  rows({"1", "2", "3"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = -1;
  start();
  scheduler.advance(10000);
  ASSERT_EQ(status(2), "Program Error");
  programmer->faults.drop_ack = 0;
  run->Button2Click();  // Retry
  EXPECT_TRUE(run->Uart1().Active());
  EXPECT_FALSE(view->buttons);
  scheduler.advance(10000);
  EXPECT_EQ(status(2), "Verified");
  EXPECT_EQ(view->closes, 1);
}

TEST_F(Run, SkipInTheVerificationPassFailsThatRowAndGoesOn) {
  rows({"1", "2", "3"});
  bool spoilt = false;
  scheduler.set_pump_hook([&] {
    if (spoilt || writes().size() != 3) return;
    // Row 2 reads back wrong, and its repeated write goes unanswered.
    programmer->store(EepromChip::C24FC256, 0x0040, std::string("spoilt") + T);
    programmer->faults.drop_ack = 4;
    spoilt = true;
  });
  start();
  scheduler.advance(10000);
  EXPECT_EQ(status(2), "Program Error");
  EXPECT_EQ(run->phase(), ProgrammingRun::Phase::Verification);
  run->Button3Click();  // Skip
  EXPECT_EQ(outcome(2), "Programming failed!");
  scheduler.advance(10000);
  EXPECT_EQ(status(3), "Verified");
  EXPECT_EQ(outcome(3), "Message is Programmed");
  EXPECT_EQ(view->closes, 1);
}

TEST_F(Run, ReadBackThatDiffersOnceIsWrittenAgainAndVerifiedWith24FC512Codes) {
  make(ProgrammerModel::Acknowledging, "24FC512");
  rows({"1", "2"});
  start();
  programmer->faults.corrupt_next_read = true;  // the first read: no reads before it
  scheduler.advance(10000);
  EXPECT_EQ(status(1), "Verified");
  EXPECT_EQ(status(2), "Verified");
  std::string commands;
  for (const auto& r : programmer->records()) commands += std::to_string(r.command);
  // Two writes, the first read differs, the row is written and read again.
  EXPECT_EQ(commands, "667677");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Run, EscDuringAWaitStopsEverythingAndNothingMoreIsSent) {
  rows({"1", "2", "3"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = -1;
  start();
  scheduler.set_pump_hook([&] {
    if (scheduler.now_ms() >= 1500 && view->closes == 0) run->Escape();
  });
  scheduler.advance(20000);
  EXPECT_EQ(view->closes, 1);
  const std::size_t sent = programmer->received().size();
  scheduler.advance(20000);
  EXPECT_EQ(programmer->received().size(), sent);
  for (int n = 1; n <= 6; ++n) EXPECT_FALSE(run->timer(n).enabled()) << n;
  EXPECT_FALSE(run->Uart1().Active());
  EXPECT_TRUE(ui.messages.empty());
  // Nothing was verified, so every row may be chosen again.
  for (int r : {1, 2, 3}) EXPECT_EQ(outcome(r), "Selected");

  // The next window: an Esc already waiting when it opens, before the run
  // starts, closes it too (Windows delivers it first), and nothing is sent.
  scheduler.set_pump_hook(nullptr);
  ASSERT_TRUE(run->load_rows(table, "Gate"));
  run->Escape();
  EXPECT_EQ(view->closes, 2);
  for (int r : {1, 2, 3}) EXPECT_EQ(outcome(r), "Selected");
  EXPECT_EQ(programmer->received().size(), sent);
}

TEST_F(Run, MissingTemplateOrPortClosesTheWindowAfterOneSecond) {
  rows({"1"});
  start("No Such Type");
  EXPECT_EQ(ui.messages, std::vector<std::string>{kTemplateOpenError});
  EXPECT_EQ(view->closes, 0);
  scheduler.advance(1000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_EQ(outcome(1), "Selected");

  ui.messages.clear();
  rows({"1"});
  programmer->open("taken");  // someone else holds the port
  run->com_port = [] { return 4; };
  start();
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"COM4 failed to open. The Port may be in use be another "
                                      "application or it does not exist.",
                                      kPortOpenError}));
  scheduler.advance(1000);
  EXPECT_EQ(view->closes, 2);
  EXPECT_TRUE(programmer->records().empty());
}

TEST_F(Run, ProgressAndScrollingOverManyRows) {
  std::vector<std::string> codes;
  for (int i = 0; i < 24; ++i) codes.push_back(std::to_string(i % 8 + 1));
  rows(codes);
  std::vector<std::string> progress;
  start();
  scheduler.set_pump_hook([&] {
    if (progress.empty() || progress.back() != view->labels[4]) progress.push_back(view->labels[4]);
  });
  scheduler.advance(30000);
  // 24 rows: after the third, 12.5 rounds to 12; after the ninth, 37.5 to 38.
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Progress: 12%"), progress.end());
  EXPECT_NE(std::find(progress.begin(), progress.end(), "Progress: 38%"), progress.end());
  // Scrolled from row 13 to row 17 (below 25 - 7), then back to the top.
  std::vector<int> expected = {2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6};
  EXPECT_EQ(view->tops, expected);
}

TEST_F(Run, SkipPressedWhileAPassWaitsActsOnTheRowThatPassHandles) {
  // Verification: Skip while row 1 is read back wrong. Row 1 is given up,
  // row 2 is read at its own address.
  rows({"1", "2"});
  start();
  programmer->faults.corrupt_next_read = true;
  press_once([&] { return programmer->records().size() == 3; }, [&] { run->Button3Click(); });
  scheduler.advance(10000);
  EXPECT_EQ(status(1), "Program Error");
  EXPECT_EQ(status(2), "Verified");
  expect_writes_at_own_addresses();
  EXPECT_EQ(outcome(1), "Programming failed!");
  EXPECT_EQ(outcome(2), "Message is Programmed");
  EXPECT_EQ(view->closes, 1);

  // Programming: row 2's third try is acknowledged after Skip was pressed.
  // Row 2 is written; row 3 is still written in the programming pass.
  make(ProgrammerModel::Acknowledging);
  rows({"1", "2", "3"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = 2;
  start();
  press_once([&] { return writes().size() == 4; }, [&] { run->Button3Click(); });
  scheduler.advance(20000);
  std::vector<std::uint16_t> written_first;
  for (const auto& r : programmer->records()) {
    if (!r.write) break;
    written_first.push_back(r.address);
  }
  EXPECT_EQ(written_first, (std::vector<std::uint16_t>{0x0000, 0x0040, 0x0040, 0x0040, 0x0080}));
  for (int r = 1; r <= 3; ++r) EXPECT_EQ(outcome(r), "Message is Programmed") << r;

  // Programming: Skip during row 2's third try of a programmer that answers
  // no more. Row 3 still gets six tries of its own.
  make(ProgrammerModel::Acknowledging);
  rows({"1", "2", "3"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = -1;
  start();
  press_once([&] { return writes().size() == 4; }, [&] { run->Button3Click(); });
  scheduler.advance(30000);
  EXPECT_EQ(writes_at(0x0040), 3);
  EXPECT_EQ(writes_at(0x0080), 6);
  EXPECT_EQ(status(3), "Program Error");
  EXPECT_EQ(outcome(2), "Selected");
}

TEST_F(Run, RetryOrCloseWhileAPassWaitsKeepToTheRowThatPassHandles) {
  // Retry during row 2's fourth try: six fresh tries, one failure message.
  rows({"1", "2"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = -1;
  start();
  press_once([&] { return writes().size() == 5; }, [&] { run->Button2Click(); });
  int tries_at_message = -1;
  ui.on_message = [&](const std::string&) {
    if (tries_at_message < 0) tries_at_message = writes_at(0x0040);
  };
  scheduler.advance(40000);
  EXPECT_EQ(tries_at_message, 4 + 6);
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_TRUE(view->buttons);

  // Skip and then Close in the same wait: row 3 was never sent.
  ui.on_message = nullptr;
  make(ProgrammerModel::Acknowledging);
  rows({"1", "2", "3"});
  programmer->faults.drop_ack = 2;
  programmer->faults.drop_ack_count = -1;
  start();
  press_once([&] { return writes().size() == 3; },
             [&] {
               run->Button3Click();
               run->Button1Click();
             });
  scheduler.advance(10000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_EQ(outcome(1), "Programming failed!");
  EXPECT_EQ(outcome(2), "Programming failed!");
  EXPECT_EQ(outcome(3), "Selected");
}

TEST_F(Run, RowsWhoseAddressCannotBeSplitAreNeverSentAndEndAsMessageError) {
  for (ProgrammerModel model : {ProgrammerModel::Acknowledging, ProgrammerModel::LineSignalling}) {
    make(model);
    // Too long, too short, and the empty entry that a trailing line end gives.
    dir.write("EEPROM Devices/Gate.dtp",
              "24FC256\r\n\x01\r\n$0000\r\n1\r\n$10000\r\n2\r\n$40\r\n3\r\n\r\n");
    rows({"1", "2", "3", ""});
    start();
    scheduler.advance(30000);
    EXPECT_EQ(view->closes, 1);
    EXPECT_EQ(writes().size(), 1u);
    EXPECT_EQ(status(1), "Verified");
    EXPECT_EQ(outcome(1), "Message is Programmed");
    for (int r = 2; r <= 4; ++r) {
      EXPECT_EQ(status(r), "Error") << r;
      EXPECT_EQ(outcome(r), "Message Error") << r;
    }
  }
}

TEST_F(Run, OutcomesGoToTheMainRowsTheRunRowsCameFrom) {
  // Two rows of code 1, the first not chosen, and two blank rows.
  auto table_rows = [&] {
    rows({"1", "1", "", ""});
    table.set_cell(device::kColState, 1, "Unselected");
  };
  table_rows();
  programmer->faults.drop_ack = 1;
  programmer->faults.drop_ack_count = -1;
  start();
  scheduler.advance(10000);
  ASSERT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  run->Button1Click();
  EXPECT_EQ(outcome(1), "Unselected");
  EXPECT_EQ(outcome(2), "Programming failed!");
  EXPECT_EQ(outcome(3), "Message Error");
  EXPECT_EQ(outcome(4), "Message Error");

  table_rows();
  start();
  scheduler.advance(500);
  run->Escape();
  EXPECT_EQ(outcome(1), "Unselected");
  EXPECT_EQ(outcome(2), "Selected");
}

TEST_F(Run, EveryWaitLetsTheWindowPaint) {
  // The two seconds after the last row: the window shows the end state.
  rows({"1"});
  start();
  std::vector<std::int64_t> pumps;
  scheduler.set_pump_hook([&] {
    if (status(1) == "Verified") pumps.push_back(scheduler.now_ms());
  });
  scheduler.advance(10000);
  ASSERT_EQ(view->closes, 1);
  ASSERT_FALSE(pumps.empty());
  EXPECT_LE(pumps.front() - programmer->records().back().at_ms, 100);
  EXPECT_GE(std::count_if(pumps.begin(), pumps.end(),
                          [&](std::int64_t t) { return t < view->closed_at - 1000; }),
            10);
}

TEST_F(Run, UnknownChipTypeIsRefusedBeforeAnyByteIsSent) {
  make(ProgrammerModel::LineSignalling, "24LC512");
  rows({"1", "2"});
  start();
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Unknown EEPROM type \"24LC512\" in the device "
                                                  "template file " +
                                                  template_path(dir.path(), "Gate") + "!"});
  scheduler.advance(1000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_TRUE(programmer->received().empty());
  EXPECT_EQ(outcome(1), "Selected");
  EXPECT_EQ(outcome(2), "Selected");
}

// ---- The line-signalling engine ----

struct LineRun : Run {
  void SetUp() override { make(ProgrammerModel::LineSignalling); }
};

TEST_F(LineRun, FramedRecordsPacedByCtsWith24FC512SentAs24FC256) {
  make(ProgrammerModel::LineSignalling, "24FC512");
  rows({"1", "X9", "3"});
  start();
  EXPECT_EQ(run->model(), ProgrammingRun::Model::LineSignalling);
  EXPECT_EQ(run->write_code(), 2);
  EXPECT_TRUE(run->timer(4).enabled());
  EXPECT_EQ(run->timer(2).interval(), 300);
  scheduler.advance(30000);
  EXPECT_EQ(status(1), "Verified");
  EXPECT_EQ(status(2), "Error");  // never "Done"
  EXPECT_EQ(status(3), "Verified");
  EXPECT_EQ(run->StringGrid1().cell(kColProgress, 0), "Progress");
  std::string commands;
  for (const auto& r : programmer->records()) commands += std::to_string(r.command);
  EXPECT_EQ(commands, "2244");
  // The header bytes go inside RTS, the data after it.
  const auto& rx = programmer->received();
  std::size_t first = 0;
  while (rx[first].byte != 2) ++first;
  EXPECT_TRUE(rx[first].rts && rx[first + 1].rts && rx[first + 2].rts);
  EXPECT_FALSE(rx[first + 3].rts);
  EXPECT_GE(rx[first + 1].at_ms - rx[first].at_ms, 1);
  EXPECT_EQ(view->labels[4], "Progress: Verifying... 100%");
  EXPECT_EQ(view->closes, 1);  // Timer1, a second after the last step
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(outcome(1), "Message is Programmed");
}

TEST_F(LineRun, CtsStuckOnSendsNothingAndFailsRowOneAfterFourSeconds) {
  rows({"1", "2"});
  programmer->faults.keep_cts_on = true;
  start();
  scheduler.advance(3900);
  EXPECT_TRUE(ui.messages.empty());
  scheduler.advance(1000);
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_EQ(status(1), "Program Error");
  EXPECT_TRUE(programmer->records().empty());
  EXPECT_TRUE(view->buttons);
  EXPECT_FALSE(run->Uart1().Active());
}

TEST_F(LineRun, NoCtsAfterTheFirstRecordFailsItAndRetrySendsItAgain) {
  rows({"1", "2"});
  programmer->faults.never_answer = true;
  start();
  scheduler.advance(6000);
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_EQ(status(1), "Program Error");
  EXPECT_EQ(run->current_row(), 2);

  programmer->faults.never_answer = false;
  run->Button2Click();
  EXPECT_EQ(run->current_row(), 1);
  scheduler.advance(10000);
  EXPECT_EQ(status(1), "Verified");
  EXPECT_EQ(status(2), "Verified");
  EXPECT_EQ(writes().front().address, 0x0000);
  EXPECT_EQ(view->closes, 1);
}

TEST_F(LineRun, MismatchIsReadAgainAfterACtsPulseOrFailsAsVerifyError) {
  rows({"1", "2"});
  start();
  programmer->faults.corrupt_next_read = true;
  scheduler.advance(2000);
  ASSERT_EQ(writes().size(), 2u);
  EXPECT_EQ(run->phase(), ProgrammingRun::Phase::Verification);
  EXPECT_EQ(run->current_row(), 1);
  EXPECT_FALSE(run->ready());
  EXPECT_EQ(status(1), "Done");
  programmer->store(EepromChip::C24FC256, 0x0040, std::string("other") + T);
  programmer->pulse_cts(10);
  scheduler.advance(1000);
  EXPECT_EQ(status(1), "Verified");

  scheduler.advance(6000);
  EXPECT_EQ(status(2), "Verify Error");
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  run->Button1Click();
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(outcome(2), "Programming failed!");
}

TEST_F(LineRun, SkippedVerifyErrorRowFailsAndAnErrorRowIsNeverSplit) {
  rows({"1", "2"});
  start();
  press_once([&] { return run->phase() == ProgrammingRun::Phase::Verification; },
             [&] { programmer->store(EepromChip::C24FC256, 0x0040, std::string("other") + T); });
  scheduler.advance(8000);
  ASSERT_EQ(status(2), "Verify Error");
  run->Button3Click();
  scheduler.advance(5000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(outcome(2), "Programming failed!");

  // The last row has no address: the label keeps the address shown before.
  make(ProgrammerModel::LineSignalling);
  rows({"1", "X9"});
  start();
  scheduler.advance(10000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_EQ(view->labels[6], "H: $00 L: $00");
}

TEST_F(LineRun, WatchdogLeavesARowWithoutAddressAsItIs) {
  rows({"X9", "1"});
  programmer->faults.keep_cts_on = true;
  start();
  scheduler.advance(5000);
  ASSERT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_EQ(status(1), "Error");
  programmer->faults.keep_cts_on = false;
  run->Button2Click();
  scheduler.advance(10000);
  EXPECT_EQ(view->closes, 1);
  EXPECT_EQ(outcome(1), "Message Error");
  EXPECT_EQ(outcome(2), "Message is Programmed");
}

TEST_F(LineRun, RowThatKeepsReadingWrongUnderAPulsingCtsFailsAfterSixReads) {
  rows({"1"});
  start();
  scheduler.advance(1000);
  ASSERT_EQ(writes().size(), 1u);
  programmer->store(EepromChip::C24FC256, 0x0000, std::string("other") + T);
  programmer->faults.pulse_cts_every_ms = 300;
  scheduler.advance(60000);
  int reads = 0;
  for (const auto& r : programmer->records()) reads += !r.write;
  EXPECT_EQ(reads, 6);
  EXPECT_EQ(status(1), "Verify Error");
  EXPECT_EQ(ui.messages, std::vector<std::string>{kProgramAllError});
  EXPECT_TRUE(view->buttons);
  EXPECT_FALSE(run->Uart1().Active());
}

}  // namespace
}  // namespace tarvex::eeprom
