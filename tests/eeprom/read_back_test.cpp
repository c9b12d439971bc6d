#include "eeprom/read_back.h"

#include <gtest/gtest.h>

#include "device/device.h"
#include "eeprom/programming_run.h"
#include "eeprom/simulated_programmer.h"
#include "eeprom/uart.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

constexpr char T = '#';

TEST(StoredText, FlagsAreSplitOffByTheirRules) {
  struct Case {
    const char* stored;
    const char* type;
    const char* flags;
    const char* text;
  } cases[] = {
      {"10100000Hello", "Gate", "10100000", "Hello"},
      {"010101010101", "Gate", "", "010101010101"},  // a zone string
      {"00000001/0705Alarm", "Contactid", "00000001/0705", "Alarm"},
      {"00000001/0705", "Contactid", "00000001", "00000001/0705"},
      {"00000001Alarm", "Contactid", "00000001", "Alarm"},
      {"00000001/0705Alarm", "contactid", "00000001", "/0705Alarm"},
      {"1010000", "Gate", "", "1010000"},
      {"1010000X9", "Gate", "", "1010000X9"},
      {"", "Gate", "", ""},
  };
  for (const Case& c : cases) {
    const StoredMessage m = split_stored_text(c.stored, c.type);
    EXPECT_EQ(m.flags, c.flags) << c.stored << " " << c.type;
    EXPECT_EQ(m.text, c.text) << c.stored << " " << c.type;
  }
}

struct Progress final : ReadProgressView {
  void show_progress(int maximum) override {
    shown = true;
    max = maximum;
  }
  void set_position(int p) override {
    position = p;
    if (on_position) on_position(p);
  }
  void close_progress() override { shown = false; }
  bool shown = false;
  int max = -1, position = -1;
  std::function<void(int)> on_position;
};

struct ReadBackTest : ::testing::Test {
  ReadBackTest() {
    dir.write("EEPROM Devices/Gate.dtp",
              "24FC256\r\n#\r\n$0000\r\n1\r\n$0040\r\n2\r\n$0100\r\n3\r\n$00C0\r\n2\r\n");
    programmer.store(EepromChip::C24FC256, 0x0000, std::string("10100000Hello") + T);
    programmer.store(EepromChip::C24FC256, 0x0040, std::string("Second") + T);
    programmer.store(EepromChip::C24FC256, 0x00C0, std::string("Never read") + T);
    // Address $0100 holds erased cells: no terminator, no answer.
  }
  void rows(const std::vector<std::pair<std::string, std::string>>& code_len) {
    table.set_row_count(static_cast<int>(code_len.size()) + 1);
    for (int r = 1; r <= static_cast<int>(code_len.size()); ++r)
      table.set_row_cells(r, {"d", code_len[r - 1].first, code_len[r - 1].second, "old flags",
                              "old text", "Selected"});
  }
  void read(const std::string& type = "Gate") {
    read_back.run(target, type, dir.path(), 2, progress);
  }

  testing::TempFolder dir;
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  SimulatedProgrammer programmer{scheduler, ProgrammerModel::Acknowledging};
  TUart uart{programmer, scheduler, ui};
  ReadBack read_back{uart, scheduler, ui};
  Progress progress;
  platform::StringGrid table{6, 2};
  platform::StringGrid codes{2, 1};
  std::vector<bool> enabled;
  std::vector<int> tops;
  ReadBackTarget target{table, codes, [this](bool on) { enabled.push_back(on); },
                        [this](int top) { tops.push_back(top); }};
};

TEST_F(ReadBackTest, ReadsEveryRowInTheTemplateIntoFlagsAndText) {
  rows({{"1", "30"}, {"2", "30"}, {"3", "30"}, {"9", "30"}, {"1", "0"}});
  read();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(table.row_cells(1),
            (std::vector<std::string>{"d", "1", "30", "10100000", "Hello", "Loaded"}));
  // The first of two entries for code 2 is read.
  EXPECT_EQ(table.row_cells(2), (std::vector<std::string>{"d", "2", "30", "", "Second", "Loaded"}));
  // No answer, no template entry, Prog Len "0": the rows stay as they were.
  for (int r : {3, 4, 5}) EXPECT_EQ(table.cell(device::kColState, r), "Selected") << r;
  EXPECT_EQ(table.cell(device::kColText, 5), "old text");
  std::string reads;
  for (const auto& rec : programmer.records())
    reads += std::to_string(rec.command) + "@" + std::to_string(rec.address) + rec.data + " ";
  EXPECT_EQ(reads, "4@0# 4@64# 4@256# ");
  EXPECT_EQ(codes.row_count(), 4);
  EXPECT_EQ(codes.row_cells(3), (std::vector<std::string>{"$00C0", "2"}));
  EXPECT_EQ(progress.max, 5);
  EXPECT_EQ(progress.position, 5);
  EXPECT_FALSE(progress.shown);
  EXPECT_EQ(enabled, (std::vector<bool>{false, true}));
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(uart.Port(), 2);
}

TEST_F(ReadBackTest, CancelAfterRowFiveLeavesTheRestUntouched) {
  rows(std::vector<std::pair<std::string, std::string>>(40, {"1", "30"}));
  progress.on_position = [&](int p) {
    if (p == 6) read_back.Cancel();
  };
  read();
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(table.cell(device::kColState, r), "Loaded") << r;
  for (int r = 6; r <= 40; ++r) EXPECT_EQ(table.cell(device::kColState, r), "Selected") << r;
  EXPECT_FALSE(progress.shown);
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(enabled.back(), true);
  EXPECT_TRUE(tops.empty());  // row 19 was never reached
}

TEST_F(ReadBackTest, CancelDuringARowsReadKeepsWhatWasRead) {
  rows({{"1", "30"}, {"2", "30"}, {"1", "30"}, {"1", "30"}});
  scheduler.set_pump_hook([&] {
    if (programmer.records().size() == 3 && read_back.running()) read_back.Cancel();
  });
  read();
  EXPECT_EQ(table.row_cells(3),
            (std::vector<std::string>{"d", "1", "30", "10100000", "Hello", "Loaded"}));
  EXPECT_EQ(table.cell(device::kColState, 4), "Selected");
  EXPECT_EQ(programmer.records().size(), 3u);
  EXPECT_FALSE(uart.Active());
}

TEST_F(ReadBackTest, FailuresBeforeReadingLeaveTheTableAndThePortAlone) {
  rows({{"1", "30"}});
  read("");
  EXPECT_EQ(ui.messages.back(), kNoHardwareType);

  SimulatedProgrammer silent(scheduler, ProgrammerModel::LineSignalling);
  TUart other(silent, scheduler, ui);
  ReadBack line_read(other, scheduler, ui);
  line_read.run(target, "Gate", dir.path(), 1, progress);
  EXPECT_EQ(ui.messages.back(), kNoReader);
  EXPECT_FALSE(other.Active());

  read("Unknown Type");
  EXPECT_EQ(ui.messages.size(), 3u);
  EXPECT_FALSE(uart.Active());

  programmer.open("taken");
  read();
  EXPECT_EQ(ui.messages.back(), kPortOpenError);
  EXPECT_EQ(table.cell(device::kColState, 1), "Selected");
  EXPECT_TRUE(enabled.empty());
}

TEST_F(ReadBackTest, BadTemplateAddressStopsWithTheConversionErrorAndTidiesUp) {
  dir.write("EEPROM Devices/Gate.dtp", "24FC256\r\n#\r\n$0000\r\n1\r\n$00G0\r\n2\r\n");
  rows({{"1", "30"}, {"2", "30"}});
  read();
  EXPECT_EQ(table.cell(device::kColState, 1), "Loaded");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"'$G0' is not a valid integer value"});
  EXPECT_FALSE(progress.shown);
  EXPECT_EQ(enabled.back(), true);
  EXPECT_FALSE(uart.Active());
}

}  // namespace
}  // namespace tarvex::eeprom
