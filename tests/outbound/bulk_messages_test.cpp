#include <gtest/gtest.h>

#include <deque>

#include "outbound/bulk_messages.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using Texts = std::vector<std::string>;

class BulkMessagesTest : public ::testing::Test {
 protected:
  BulkMessagesTest() {
    session.settings.programming_folder = "Out";
    reset_number_grid(grid);
  }
  void list(const Texts& numbers, const Texts& states) {
    show_numbers(grid, numbers);
    for (std::size_t i = 0; i < states.size(); ++i)
      grid.set_cell(1, static_cast<int>(i) + 1, states[i]);
  }
  Texts states() const {
    Texts out;
    for (int r = 1; r < grid.row_count(); ++r) out.push_back(grid.cell(1, r));
    return out;
  }
  int send(const std::string& message) { return bulk_send(session, grid, message, draw); }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  platform::StringGrid grid{2, 2};
  std::deque<int> draws{12, 1};
  TagSource draw = [this] {
    const int tag = draws.front();
    draws.pop_front();
    return tag;
  };
};

TEST_F(BulkMessagesTest, SelectedRowsGetOneFileEachTaggedByTheDrawAndTheirRow) {
  list({"+27821", "+27822", "+27821", "", "+27823"},
       {"Selected", "Unselected", "Selected", "Selected", "Send"});
  EXPECT_EQ(send("Meeting at 9\r\nBring keys"), 2);
  EXPECT_EQ(dir.read("Out/+27821_121.txt"), "+27821,7,Meeting at 9\r\nBring keys\r\n");
  EXPECT_EQ(dir.read("Out/+27821_123.txt"), "+27821,7,Meeting at 9\r\nBring keys\r\n");
  EXPECT_EQ(platform::list_files(dir.file("Out"), "*").size(), 2u);
  // The empty number is passed over; "Send" is not sent again.
  EXPECT_EQ(states(), (Texts{"Send", "Unselected", "Send", "Selected", "Send"}));
  EXPECT_EQ(ui.messages, (Texts{"2 Message(s) was send"}));
}

TEST_F(BulkMessagesTest, ASecondSendDrawsAgainRatherThanOverwriteWaitingFiles) {
  list({"+27821", "+27822"}, {"Selected", "Selected"});
  draws = {7, 7, 8};
  send("first");
  mark_all(grid, kSelected);
  send("second");
  EXPECT_EQ(dir.read("Out/+27821_71.txt"), "+27821,7,first\r\n");
  EXPECT_EQ(dir.read("Out/+27821_81.txt"), "+27821,7,second\r\n");
  EXPECT_TRUE(draws.empty());
}

TEST_F(BulkMessagesTest, RefusalsAndPerRowFailures) {
  EXPECT_EQ(send(""), -1);
  EXPECT_EQ(send("text"), -1);
  EXPECT_EQ(ui.messages, (Texts{"No message to send! Please type a message in the Message Box.",
                                "There are no numbers to send to! Please add some numbers."}));
  ui.messages.clear();
  list({"../evil", "+27821"}, {"Selected", "Selected"});
  EXPECT_EQ(send("text"), 1);
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[0].find("can not be used as a number"), std::string::npos);
  EXPECT_EQ(ui.messages[1], "1 Message(s) was send");
  EXPECT_EQ(states(), (Texts{"Selected", "Send"}));

  ui.messages.clear();
  session.settings.programming_folder = "Blocked/Out";
  dir.write("Blocked", "a file");
  mark_all(grid, kSelected);
  grid.set_cell(0, 1, "+27822");
  EXPECT_EQ(send("text"), 0);
  EXPECT_EQ(ui.messages,
            (Texts{"Can not find the Ouput path to send the message!",
                   "Can not find the Ouput path to send the message!", "0 Message(s) was send"}));
}

TEST_F(BulkMessagesTest, SelectionToggleActsInColumnOneOnly) {
  list({"+27821"}, {""});
  grid.set_current(0, 1);
  toggle_selection(grid);
  EXPECT_EQ(grid.cell(1, 1), "");
  grid.set_current(1, 1);
  Texts seen;
  for (int i = 0; i < 3; ++i) {
    toggle_selection(grid);
    seen.push_back(grid.cell(1, 1));
  }
  EXPECT_EQ(seen, (Texts{"Unselected", "Selected", "Unselected"}));
  grid.set_cell(1, 1, "Send");
  toggle_selection(grid);
  EXPECT_EQ(grid.cell(1, 1), "Unselected");
  grid.set_cell(1, 1, "other");
  toggle_selection(grid);
  EXPECT_EQ(grid.cell(1, 1), "other");
}

TEST_F(BulkMessagesTest, GroupFilesKeepNumbersInOrderAndDropEmptyLines) {
  list({"", "+27821", "", "+27822"}, {});
  ui.dialog_answers = {dir.file("Groups/site.grp")};
  EXPECT_EQ(save_group(session, grid_numbers(grid)), "Bulk Messages site.grp");
  EXPECT_EQ(ui.file_dialogs[0].folder, dir.file("Groups"));
  EXPECT_EQ(ui.file_dialogs[0].filter, "Group Files|*.grp");
  EXPECT_EQ(ui.file_dialogs[0].default_ext, "grp");
  EXPECT_EQ(dir.read("Groups/site.grp"), "\r\n+27821\r\n\r\n+27822\r\n\r\n");

  ui.dialog_answers = {dir.file("Groups/site.grp")};
  const auto opened = open_group(session);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->numbers, (Texts{"+27821", "+27822"}));
  show_numbers(grid, opened->numbers);
  EXPECT_EQ(states(), (Texts{"Unselected", "Unselected"}));

  // A file elsewhere shows its whole path; a missing one changes nothing.
  EXPECT_EQ(group_caption(session, "/elsewhere/x.grp"), "Bulk Messages /elsewhere/x.grp");
  ui.dialog_answers = {dir.file("Groups/missing.grp")};
  EXPECT_FALSE(open_group(session));
  EXPECT_EQ(ui.messages.size(), 1u);

  EXPECT_EQ(marked_caption("Bulk Messages"), "Bulk Messages");
  EXPECT_EQ(marked_caption("Bulk Messages site.grp"), "Bulk Messages site.grp*");
  EXPECT_EQ(marked_caption("Bulk Messages site.grp*"), "Bulk Messages site.grp*");
}

TEST_F(BulkMessagesTest, DeviceFileNamesGiveNumbersAndFillTheLastEmptyRow) {
  EXPECT_EQ(numbers_from_device_names({"+27821.dev", "+278212.dev", "0821234567.dev",
                                       "+27821234567.dev.dev", "+27829999999.DEV"}),
            (Texts{"+278212", "+27821234567", "+27829999999"}));
  dir.write("Devices/+27821234567.dev", "");
  dir.write("Devices/short.dev", "");
  dir.write("Devices/+27830000000.txt", "");
  ui.dialog_answers = {dir.file("Devices")};
  const auto numbers = numbers_from_directory(session);
  ASSERT_TRUE(numbers);
  EXPECT_EQ(ui.folder_dialogs[0].first, "Get Numbers from Directory");
  add_numbers(grid, *numbers);
  add_numbers(grid, *numbers);
  EXPECT_EQ(grid_numbers(grid), (Texts{"+27821234567", "+27821234567"}));
}

TEST(NumberGrid, AddAndRemoveRows) {
  platform::StringGrid grid(2, 2);
  reset_number_grid(grid);
  EXPECT_EQ(grid.cell(0, 0), "Number");
  EXPECT_EQ(grid.cell(1, 0), "Select/Unselect");
  EXPECT_FALSE(remove_number_row(grid));
  add_number_row(grid);
  EXPECT_EQ(grid.row_count(), 3);
  EXPECT_EQ(grid.cell(1, 2), "Unselected");
  EXPECT_EQ(grid.row(), 2);
  EXPECT_EQ(grid.col(), 0);
  EXPECT_TRUE(remove_number_row(grid));
  EXPECT_EQ(grid.row_count(), 2);
}

}  // namespace
}  // namespace tarvex::outbound
