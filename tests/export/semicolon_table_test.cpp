#include "export/semicolon_table.h"

#include <gtest/gtest.h>

#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::exporting {
namespace {

struct SemicolonTableTest : ::testing::Test {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
};

void fill(platform::StringGrid& grid, const std::vector<std::vector<std::string>>& rows) {
  grid.set_row_count(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r) grid.set_row_cells(r, rows[r]);
}

TEST_F(SemicolonTableTest, MessageTableIsWrittenCellForCellWithAnEmptyLastLine) {
  platform::StringGrid maingrid(6, 3);
  fill(maingrid, {{"Message Description", "Prog Code", "Prog Len", "Flags", "Text Message",
                   "Selected/Unselected"},
                  {"Alarm; gate", "2", "30", "", " Intruder ", "Selected"},
                  {"", "", "0", "", "", "Unselected"}});
  ui.dialog_answers.push_back(dir.file("out.xls"));

  EXPECT_TRUE(export_message_table(session, maingrid, "+27821234567"));

  // A ";" inside a cell stays as it is (one column more in that row), and
  // blanks are not trimmed.
  EXPECT_EQ(dir.read("out.xls"),
            "Message Description;Prog Code;Prog Len;Flags;Text Message;Selected/Unselected\r\n"
            "Alarm; gate;2;30;; Intruder ;Selected\r\n"
            ";;0;;;Unselected\r\n"
            "\r\n");
  ASSERT_EQ(ui.file_dialogs.size(), 1u);
  const platform::FileDialogRequest& request = ui.file_dialogs[0];
  EXPECT_EQ(request.filter, "Excel Files|*.xls");
  EXPECT_EQ(request.default_ext, "xls");
  EXPECT_EQ(request.folder, dir.path());
  EXPECT_EQ(request.proposed_name, dir.file("+27821234567.xls"));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(ui.modal_windows.empty());
}

TEST_F(SemicolonTableTest, FunctionListPutsTheInsertTextBeforeEveryFunctionCharacter) {
  platform::StringGrid functions(2, 3);
  fill(functions, {{"Function Description", "Function Char"}, {"D", "A"}, {"", ""}});

  EXPECT_EQ(function_list_text(functions, "xy"),
            "Function Description;Function Char\r\nD;xyA\r\n;xy\r\n\r\n");
  EXPECT_EQ(function_list_text(functions, ""),
            "Function Description;Function Char\r\nD;A\r\n;\r\n\r\n");

  // The "Text Insert" window comes first; what the operator typed there is
  // what the file gets.
  ui.on_modal = [&](const std::string&) {
    session.text_insert = "#1234";
    return 1;
  };
  ui.dialog_answers.push_back(dir.file("f.xls"));
  EXPECT_TRUE(export_function_list(session, functions, "+2782"));
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm11"});
  EXPECT_EQ(dir.read("f.xls"), "Function Description;Function Char\r\nD;#1234A\r\n;#1234\r\n\r\n");
}

TEST_F(SemicolonTableTest, CancellingWritesNothingButTheInsertWindowWasShown) {
  platform::StringGrid functions(2, 2);
  dir.write("+2782.xls", "earlier");
  EXPECT_FALSE(export_function_list(session, functions, "+2782"));
  EXPECT_EQ(ui.modal_windows, std::vector<std::string>{"TForm11"});
  EXPECT_EQ(ui.file_dialogs.size(), 1u);
  EXPECT_EQ(dir.read("+2782.xls"), "earlier");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SemicolonTableTest, EmptyUnitLogResultGivesTheHeadingsAndThreeSemicolons) {
  platform::StringGrid results(4, 2);
  fill(results, {{"Unit Number", "Received Date", "Received Time", "Message"}, {}});
  ui.dialog_answers.push_back(dir.file("log.xls"));
  EXPECT_TRUE(export_unit_log(session, results, ""));
  EXPECT_EQ(ui.file_dialogs[0].proposed_name, dir.file(".xls"));
  EXPECT_EQ(dir.read("log.xls"), "Unit Number;Received Date;Received Time;Message\r\n;;;\r\n\r\n");
}

TEST_F(SemicolonTableTest, AnExistingFileIsReplacedWholeAndAFailedWriteIsReported) {
  platform::StringGrid results(4, 2);
  dir.write("log.xls", std::string(500, 'x'));
  ui.dialog_answers.push_back(dir.file("log.xls"));
  EXPECT_TRUE(export_unit_log(session, results, "+27"));
  EXPECT_EQ(dir.read("log.xls"), ";;;\r\n;;;\r\n\r\n");

  ui.dialog_answers.push_back(dir.file("missing/log.xls"));
  EXPECT_FALSE(export_unit_log(session, results, "+27"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("log.xls"), std::string::npos) << ui.messages[0];
  EXPECT_EQ(dir.read("log.xls"), ";;;\r\n;;;\r\n\r\n");
}

}  // namespace
}  // namespace tarvex::exporting
