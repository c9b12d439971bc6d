#include "incoming/unit_log.h"

#include <gtest/gtest.h>

#include "incoming/incoming_message.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::incoming {
namespace {

constexpr const char* kLog =
    "+27821234567,gsm,2026/12/01 08:00:00,Armed\r\n"
    "+27821234567,gsm,2026/12/02 09:30:00,Alarm, zone 3, gate\r\n"
    "+27731112222,gsm,2026/12/02 23:59:59,Disarmed\r\n"
    "+27731112222,gsm,2026-12-03T07:00:00,Alarm at door\r\n"
    "+27829998888,gsm,bad date,Alarm\r\n"
    "no commas at all\r\n"
    "+27821234567,gsm,2026/12/04 10:00:00,Power low";

struct UnitLogTest : ::testing::Test {
  UnitLogTest() { dir.write("units.msg", kLog); }

  // Runs a search; returns the listed message texts.
  std::vector<std::string> find(const LogCriteria& criteria, std::size_t block = 1 << 20) {
    LogSearch search{dir.file("units.msg"), criteria, grid, ui, scheduler, {}, 200, block};
    result = search_unit_log(search);
    std::vector<std::string> texts;
    for (int row = 1; row + 1 < grid.row_count(); ++row) texts.push_back(grid.cell(3, row));
    EXPECT_EQ(grid.cell(0, grid.row_count() - 1), "");  // always one empty row at the end
    EXPECT_EQ(result.found, static_cast<int>(texts.size()));
    return texts;
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  platform::StringGrid grid{4, 2};
  SearchResult result;
};

TEST_F(UnitLogTest, LinesAreSplitWithTheDateInTenCharacters) {
  EXPECT_EQ(log_row("+2782,x,2026/12/02 09:30:00,a,b"),
            (std::vector<std::string>{"+2782", "2026/12/02", " 09:30:00", "a,b"}));
  EXPECT_EQ(line_date("+2782,x,2026-12-02T09:30,a"), 20261202);
  EXPECT_FALSE(line_date("+2782,x,2026/1/2 09:30,a"));
  EXPECT_FALSE(line_date("2026/12/02 09:30:00"));
  // Fewer commas: the text after the last one, or the whole line.
  EXPECT_EQ(message_field("a,b"), "b");
  EXPECT_EQ(message_field("abc"), "abc");
  EXPECT_EQ(unit_field("abc"), "abc");
}

TEST_F(UnitLogTest, EachCriterionAndTheirCombination) {
  EXPECT_EQ(find({.unit_number = "2782"}),
            (std::vector<std::string>{"Armed", "Alarm, zone 3, gate", "Alarm", "Power low"}));
  // Bounds are inclusive; a line without a readable date never passes.
  EXPECT_EQ(find({.from = 20261202, .to = 20261202}),
            (std::vector<std::string>{"Alarm, zone 3, gate", "Disarmed"}));
  EXPECT_EQ(find({.from = 20261203}), (std::vector<std::string>{"Alarm at door", "Power low"}));
  EXPECT_TRUE(find({.from = 20261203, .to = 20261202}).empty());
  EXPECT_EQ(find({.text = "zone 3, gate"}), std::vector<std::string>{"Alarm, zone 3, gate"});
  EXPECT_EQ(find({.from = 20261202, .unit_number = "+2773", .text = "Alarm"}),
            std::vector<std::string>{"Alarm at door"});
  // The text is looked for in the message only, case-sensitively.
  EXPECT_TRUE(find({.text = "gsm"}).empty());
  EXPECT_TRUE(find({.text = "alarm"}).empty());
  EXPECT_TRUE(find({.text = ""}).empty());
  EXPECT_TRUE(find({.unit_number = "", .text = "Alarm"}).empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UnitLogTest, LinesCutByBlockEndsAreFoundWhole) {
  // Blocks smaller than a line: every line arrives in pieces.
  for (std::size_t block : {7u, 64u, 100u}) {
    EXPECT_EQ(find({.text = "Alarm"}, block),
              (std::vector<std::string>{"Alarm, zone 3, gate", "Alarm at door", "Alarm"}))
        << block;
    EXPECT_EQ(find({.to = 20261201}, block), std::vector<std::string>{"Armed"}) << block;
  }
}

TEST_F(UnitLogTest, ProgressIsPacedByTheClockAndTheOperatorCanStop) {
  std::string big;
  for (int i = 0; i < 2000; ++i)
    big += "+2782" + std::to_string(i % 7) + ",g,2026/12/05 10:00:00,Ping\r\n";
  dir.write("big.msg", big);
  std::vector<SearchProgress> reports;
  LogSearch search{dir.file("big.msg"),
                   {.text = "Ping"},
                   grid,
                   ui,
                   scheduler,
                   [&](const SearchProgress& p) {
                     reports.push_back(p);
                     return true;
                   },
                   200,
                   1024};
  // Seventy blocks in no time: told after the first block and at the end.
  result = search_unit_log(search);
  EXPECT_EQ(result.found, 2000);
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports.back().found, 2000);
  EXPECT_EQ(reports.back().bytes_read, big.size());

  // A slow window: every block is reported; the operator stops at 500 rows.
  search.progress = [&](const SearchProgress& p) {
    scheduler.advance(250);
    return p.found < 500;
  };
  result = search_unit_log(search);
  EXPECT_TRUE(result.stopped);
  EXPECT_GE(result.found, 500);
  EXPECT_LT(result.found, 600);
  EXPECT_EQ(grid.row_count(), result.found + 2);  // the rows found so far stay
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UnitLogTest, AMissingLogIsReported) {
  grid.set_row_count(5);
  LogSearch search{dir.file("none.msg"), {.text = "x"}, grid, ui, scheduler, {}, 200, 1 << 20};
  EXPECT_TRUE(search_unit_log(search).failed);
  EXPECT_EQ(ui.messages, std::vector<std::string>{kCannotOpenLog});
  EXPECT_EQ(grid.row_count(), 2);
}

TEST(UnitLogCriteria, NothingTickedOrAnUnreadableDateStopsTheSearch) {
  testing::ScriptedUi ui;
  EXPECT_FALSE(check_criteria({}, ui).criteria);
  EXPECT_EQ(ui.messages, std::vector<std::string>{kNoSearchCriteria});
  const CriteriaCheck bad = check_criteria({.from_ticked = true, .unit_ticked = true}, ui);
  EXPECT_FALSE(bad.criteria);
  EXPECT_TRUE(bad.clear_date_boxes);
  EXPECT_EQ(ui.messages.back(), kDateFormatIncompatible);
  const CriteriaCheck good = check_criteria(
      {.from_ticked = true, .text_ticked = true, .from_date = CalendarDate{2026, 3, 9}, .text = ""},
      ui);
  ASSERT_TRUE(good.criteria);
  EXPECT_EQ(good.criteria->from, 20260309);
  EXPECT_FALSE(good.criteria->to);
  EXPECT_EQ(good.criteria->text, "");
  EXPECT_FALSE(good.criteria->unit_number);
}

}  // namespace
}  // namespace tarvex::incoming
