#include "outbound/sms_programming.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using Rows = std::vector<std::vector<std::string>>;

const FramingStrings kFraming{"P", "S", "AP", "AS"};
const std::string kUnit = "+27821234567";

// A message table, a folder and the run's side effects, recorded in order.
class SmsRun : public ::testing::Test {
 protected:
  void set_rows(const Rows& rows) {
    grid.set_row_count(static_cast<int>(rows.size()) + 1);
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) grid.set_row_cells(r + 1, rows[r]);
  }
  std::vector<std::string> outcomes() const {
    std::vector<std::string> out;
    for (int r = 1; r < grid.row_count(); ++r) out.push_back(grid.cell(5, r));
    return out;
  }
  SmsRunInputs inputs() {
    return SmsRunInputs{
        .unit_number = unit,
        .password = password,
        .mode = mode,
        .framing = kFraming,
        .programming_folder = folder,
        .grid = grid,
        .ui = ui,
        .lock_program_menu = [this] { trail.push_back("lock after " + count_of_messages()); },
        .write_log = [this](const std::string& e) { trail.push_back("log " + e); },
    };
  }
  SmsRunResult run(SmsFraming which = SmsFraming::CurrentMode) {
    return program_via_sms(inputs(), which);
  }
  std::string count_of_messages() const { return std::to_string(ui.messages.size()); }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    if (!platform::folder_exists(folder)) return names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string file(int row) const {
    return platform::read_file(
        platform::join_path(folder, kUnit + "_" + std::to_string(row) + ".txt"));
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::StringGrid grid{6, 2};
  std::string unit = kUnit;
  std::string password = "1234";
  int mode = 1;
  std::string folder = dir.file("Outbox");
  std::vector<std::string> trail;
};

TEST_F(SmsRun, WritesSelectedRowsOnlyThenLocksCountsAndLogs) {
  set_rows({{"Zone 1", "11", "10", "0", "X", "Unselected"},
            {"Zone 2", "11", "10", "0", "X", "selected"},
            {"Arm text", "12", "10", "1", "ABC", "Selected"},
            {"Old", "13", "10", "", "Y", "Message is Programmed"},
            {"Last", "14", "3", "", "ZZZ", "Selected"}});
  const SmsRunResult result = run();
  EXPECT_TRUE(result.completed);
  EXPECT_EQ(result.programmed, 2);
  EXPECT_EQ(files(), (std::vector<std::string>{kUnit + "_3.txt", kUnit + "_5.txt"}));
  EXPECT_EQ(file(3), kUnit + ",7,P1234S12\"1ABC\"");
  EXPECT_EQ(file(5), kUnit + ",7,P1234S14\"ZZZ\"");
  EXPECT_EQ(outcomes(),
            (std::vector<std::string>{"Unselected", "selected", "Message is Programmed",
                                      "Message is Programmed", "Message is Programmed"}));
  EXPECT_EQ(ui.messages, std::vector<std::string>{"2 Messages have been programmed!"});
  // The menu is locked before the count message, the log written after it.
  EXPECT_EQ(trail, (std::vector<std::string>{"lock after 0", "log Programing: +27821234567"}));
}

TEST_F(SmsRun, FramingFollowsModeAndMenuItem) {
  struct Case {
    SmsFraming which;
    int mode;
    std::string framing;
  };
  const Case cases[] = {
      {SmsFraming::CurrentMode, 0, "P1234S"},   {SmsFraming::CurrentMode, 1, "P1234S"},
      {SmsFraming::CurrentMode, 2, "AP1234AS"}, {SmsFraming::CurrentMode, 3, ""},
      {SmsFraming::CurrentMode, -1, ""},        {SmsFraming::Alternative, 0, "AP1234AS"},
      {SmsFraming::Alternative, 1, "AP1234AS"}, {SmsFraming::Alternative, 2, "AP1234AS"},
      {SmsFraming::Alternative, 9, "AP1234AS"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.mode));
    set_rows({{"", "7", "5", "2", "abc", "Selected"}});
    mode = c.mode;
    ASSERT_TRUE(run(c.which).completed);
    EXPECT_EQ(file(1), kUnit + ",7," + c.framing + "7\"2abc\"");
  }
}

TEST_F(SmsRun, LengthChecksRefuseRowsInOrderAndTheRunGoesOn) {
  set_rows({{"five", "12345", "3", "", "abc", "Selected"},
            {"six", "123456", "99", "", "abc", "Selected"},
            // Both faults: only the symbol is reported, Prog Len is never read.
            {"both", "ABCDEF", "not a number", "", "abc", "Selected"},
            {"exact", "1", "4", "1", "abc", "Selected"},
            {"one more", "1", "4", "12", "abc", "Selected"}});
  const SmsRunResult result = run();
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{
                "\"123456\" is longer than the aloud Program Symbol Length!\r\n"
                "Message will not be send!",
                "\"ABCDEF\" is longer than the aloud Program Symbol Length!\r\n"
                "Message will not be send!",
                "\"12abc\" is longer than the aloud Message Length!\r\nMessage will not be send!",
                "2 Messages have been programmed!"}));
  EXPECT_EQ(outcomes(),
            (std::vector<std::string>{"Message is Programmed", "Message Error", "Message Error",
                                      "Message is Programmed", "Message Error"}));
  EXPECT_EQ(files(), (std::vector<std::string>{kUnit + "_1.txt", kUnit + "_4.txt"}));
  EXPECT_EQ(result.programmed, 2);
  EXPECT_EQ(trail.size(), 2u);
}

TEST_F(SmsRun, ProgLenThatIsNoNumberStopsTheRunWhereItIs) {
  set_rows({{"", "1", "5", "", "a", "Selected"},
            {"", "2", "5x", "", "a", "Selected"},
            {"", "3", "5", "", "a", "Selected"}});
  const SmsRunResult result = run();
  EXPECT_FALSE(result.completed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"'5x' is not a valid integer value"});
  EXPECT_EQ(outcomes(),
            (std::vector<std::string>{"Message is Programmed", "Selected", "Selected"}));
  EXPECT_EQ(files(), std::vector<std::string>{kUnit + "_1.txt"});
  EXPECT_TRUE(trail.empty());  // menu stays enabled, nothing logged
}

TEST_F(SmsRun, UnitNumberAndPasswordAreCheckedFirst) {
  set_rows({{"", "1", "5", "", "a", "Selected"}});
  struct Case {
    std::string unit, password, message;
  };
  const Case refused[] = {
      {"+2782", "1234", "Not a valid Unit Number!"},
      {"", "", "Not a valid Unit Number!"},
      {"+27821", "123", "Not a valid Password!"},
      {"+27/../../x", "1234",
       "\"+27/../../x\" can not be used as a number: it holds \"/\", \"\\\" or \"..\".\r\n"
       "Message will not be send!"},
  };
  for (const Case& c : refused) {
    ui.messages.clear();
    unit = c.unit;
    password = c.password;
    EXPECT_FALSE(run().completed);
    EXPECT_EQ(ui.messages, std::vector<std::string>{c.message});
  }
  EXPECT_EQ(outcomes(), std::vector<std::string>{"Selected"});
  EXPECT_TRUE(trail.empty());
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  unit = "+27821";  // six characters are enough
  password = "1234";
  EXPECT_TRUE(run().completed);
  EXPECT_EQ(files(), std::vector<std::string>{"+27821_1.txt"});
}

TEST_F(SmsRun, NoSelectedRowStillLocksCountsZeroAndLogs) {
  set_rows({{"", "1", "5", "", "a", "Unselected"}});
  EXPECT_TRUE(run().completed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"0 Messages have been programmed!"});
  EXPECT_EQ(trail, (std::vector<std::string>{"lock after 0", "log Programing: +27821234567"}));
}

TEST_F(SmsRun, FileThatCanNotBeWrittenStopsTheRun) {
  set_rows({{"", "1", "5", "", "a", "Selected"},
            {"", "2", "5", "", "b", "Selected"},
            {"", "3", "5", "", "c", "Selected"}});
  std::filesystem::create_directories(platform::join_path(folder, kUnit + "_2.txt"));
  EXPECT_FALSE(run().completed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Can not find the Programming folder"});
  EXPECT_EQ(outcomes(),
            (std::vector<std::string>{"Message is Programmed", "Selected", "Selected"}));
  EXPECT_TRUE(trail.empty());

  // The same when the folder can not be made.
  ui.messages.clear();
  dir.write("a-file", "");
  folder = dir.file("a-file/Outbox");
  EXPECT_FALSE(run().completed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Can not find the Programming folder"});

  // And an empty setting is the directory error, never the current folder.
  ui.messages.clear();
  folder.clear();
  EXPECT_FALSE(run().completed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Unable to create directory"});
  EXPECT_FALSE(platform::file_exists(kUnit + "_2.txt"));
  EXPECT_TRUE(trail.empty());
}

TEST_F(SmsRun, SecondRunSendsOnlyRowsSelectedAnewAndOverwrites) {
  folder = dir.file("not/yet/there");
  set_rows({{"", "1", "5", "", "a", "Selected"}, {"", "2", "5", "", "b", "Selected"}});
  run();
  EXPECT_EQ(run().programmed, 0);
  EXPECT_EQ(ui.messages.back(), "0 Messages have been programmed!");

  grid.set_cell(4, 2, "new");
  grid.set_cell(3, 2, "");
  grid.set_cell(5, 2, "Selected");
  EXPECT_EQ(run().programmed, 1);
  EXPECT_EQ(file(2), kUnit + ",7,P1234S2\"new\"");
  EXPECT_EQ(files().size(), 2u);
}

// A message the operator was told was sent may wait under the name of a
// row's setting; the setting goes beside it, and a newer setting of that row
// still replaces the older one wherever it waits.
TEST_F(SmsRun, AWaitingMessageOfTheSameNameIsNeverReplaced) {
  folder = dir.file("Out");
  dir.write("Out/" + kUnit + "_2.txt", kUnit + ",7,Gate code is 4711");
  set_rows({{"", "1", "5", "", "a", "Selected"}, {"", "2", "5", "", "b", "Selected"}});
  EXPECT_EQ(run().programmed, 2);
  const std::string beside = platform::join_path(folder, kUnit + "_100002.txt");
  EXPECT_EQ(file(2), kUnit + ",7,Gate code is 4711");
  EXPECT_EQ(platform::read_file(beside), kUnit + ",7,P1234S2\"b\"");
  grid.set_cell(4, 2, "c");
  grid.set_cell(5, 2, "Selected");
  EXPECT_EQ(run().programmed, 1);
  EXPECT_EQ(platform::read_file(beside), kUnit + ",7,P1234S2\"c\"");
  EXPECT_EQ(file(2), kUnit + ",7,Gate code is 4711");
  EXPECT_EQ(files().size(), 3u);
}

// Counts what a view would be told.
class CountingObserver final : public platform::GridObserver {
 public:
  void grid_reset() override { ++resets; }
  void cell_changed(int, int) override { ++cells; }
  void column_width_changed(int) override {}
  void current_changed() override {}
  void grid_destroyed() override {}
  int resets = 0;
  int cells = 0;
};

TEST_F(SmsRun, ViewIsNotToldOfEveryRow) {
  Rows rows(200, {"", "1", "5", "", "a", "Selected"});
  rows[100][1] = "TOOLONG";
  set_rows(rows);
  CountingObserver view;
  grid.set_observer(&view);
  run();
  grid.set_observer(nullptr);
  EXPECT_EQ(view.cells, 0);
  // Once before the refusal message, once at the end.
  EXPECT_EQ(view.resets, 2);
  EXPECT_EQ(files().size(), 199u);
}

}  // namespace
}  // namespace tarvex::outbound
