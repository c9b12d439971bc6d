#include "device/message_table.h"

#include <gtest/gtest.h>

#include "device/device_fixture.h"

namespace tarvex::device {
namespace {

class MessageTableTest : public ::testing::Test, public DeviceFixture {
 protected:
  std::vector<std::string> states() const {
    std::vector<std::string> out;
    for (int r = 1; r < table.row_count(); ++r) out.push_back(cell(kColState, r));
    return out;
  }
  std::vector<std::string> texts() const {
    std::vector<std::string> out;
    for (int r = 1; r < table.row_count(); ++r) out.push_back(cell(kColText, r));
    return out;
  }
};

TEST_F(MessageTableTest, LengthCheckWarnsOnlyAboveAPositiveLimit) {
  rows({{"", "", "10", "ab", "123456789", ""},
        {"", "", "0", "ab", "123456789", ""},
        {"", "", "", "ab", "123456789", ""},
        {"", "", "11", "ab", "123456789", ""}});
  EXPECT_EQ(check_message_length(ui, table, 1), 11);
  EXPECT_EQ(ui.messages, std::vector<std::string>{"The message is longer then 10 characters!"});
  ui.messages.clear();
  for (int r = 2; r <= 4; ++r) EXPECT_EQ(check_message_length(ui, table, r), 11);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(MessageTableTest, ProgLenThatIsNotANumberGivesAMessageNotACrash) {
  rows({{"", "", "ten", "ab", "123456789012", ""}, {"", "", "99999999999", "", "", ""}});
  EXPECT_EQ(check_message_length(ui, table, 1), 14);
  check_message_length(ui, table, 2);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"'ten' is not a valid integer value",
                                                   "'99999999999' is not a valid integer value"}));
}

TEST_F(MessageTableTest, ClickShowsOrClearsTheDescriptionByProgLen) {
  rows({{"Arm", "", "5", "", "", ""}, {"Skip", "", "0", "", "", ""}, {"Free", "", "", "", "", ""}});
  auto shown = table_click(ui, table, 1);
  EXPECT_EQ(shown.memo, MemoChange::Show);
  EXPECT_EQ(shown.memo_text, "Arm");
  EXPECT_EQ(table_click(ui, table, 2).memo, MemoChange::Clear);
  EXPECT_EQ(table_click(ui, table, 3).memo, MemoChange::Keep);
}

TEST_F(MessageTableTest, DoubleClickFollowsTheStateTable) {
  rows({{"", "", "5", "", "", ""},
        {"", "", "5", "", "", "Loaded"},
        {"", "", "", "", "", "Programming failed!"},
        {"", "", "5", "", "", "Selected"},
        {"", "", "5", "", "", "Message Error"},
        {"", "", "5", "", "", "Message is Programmed"},
        {"", "", "0", "", "", "Unselected"},
        {"", "", "", "", "", "Unselected"},
        {"", "", "5", "", "", "selected"}});
  for (int r = 1; r <= 9; ++r) table_double_click(table, kColState, r);
  EXPECT_EQ(states(), (std::vector<std::string>{"Unselected", "Unselected", "Selected",
                                                "Unselected", "Selected", "Unselected",
                                                "Unselected", "Unselected", "selected"}));
  // A second double click on the formerly empty cell selects it.
  EXPECT_EQ(table_double_click(table, kColState, 1), DoubleClick::StateChanged);
  EXPECT_EQ(cell(kColState, 1), "Selected");

  EXPECT_EQ(table_double_click(table, kColText, 1), DoubleClick::PastePopup);
  table.set_cell(kColText, 1, "x");
  EXPECT_EQ(table_double_click(table, kColText, 1), DoubleClick::Nothing);
  EXPECT_EQ(table_double_click(table, kColFlags, 1), DoubleClick::Nothing);
}

TEST_F(MessageTableTest, SpaceTogglesFromTheStateOfTheCellEntered) {
  rows({{"", "", "5", "", "", "Unselected"}, {"", "", "0", "", "", "Selected"}});
  TableKeys keys;
  keys.cell_entered(table, kColState, 1);
  keys.key_up(table, kColState, 1, TableKey::Space);
  EXPECT_EQ(cell(kColState, 1), "Selected");
  keys.key_up(table, kColState, 1, TableKey::Space);
  EXPECT_EQ(cell(kColState, 1), "Unselected");
  keys.key_up(table, kColState, 1, TableKey::Other);  // other keys do not toggle
  EXPECT_EQ(cell(kColState, 1), "Unselected");

  // A Prog Len "0" row ends "Unselected" whatever the key.
  keys.cell_entered(table, kColState, 2);
  EXPECT_EQ(keys.remembered_state(), "Selected");
  keys.key_up(table, kColState, 2, TableKey::Other);
  EXPECT_EQ(cell(kColState, 2), "Unselected");
  keys.key_up(table, kColState, 2, TableKey::Space);
  EXPECT_EQ(cell(kColState, 2), "Unselected");
  EXPECT_EQ(keys.remembered_state(), "Unselected");
}

TEST_F(MessageTableTest, TypingThatChangesTheMessageLengthSelectsTheRow) {
  rows({{"desc", "", "0", "", "", "Unselected"}});
  TableKeys keys;
  keys.key_down(table, 1);
  table.set_cell(kColDescription, 1, "descr");
  keys.key_up(table, kColDescription, 1, TableKey::Other);
  EXPECT_EQ(cell(kColState, 1), "Unselected");  // description does not count

  keys.key_down(table, 1);
  table.set_cell(kColText, 1, "1");
  keys.key_up(table, kColText, 1, TableKey::Down);
  EXPECT_EQ(cell(kColState, 1), "Unselected");  // moving keys do not select
  keys.key_up(table, kColText, 1, TableKey::Other);
  EXPECT_EQ(cell(kColState, 1), "Selected");  // even with Prog Len "0"

  table.set_cell(kColState, 1, "Unselected");
  keys.key_down(table, 1);
  table.set_cell(kColFlags, 1, "#");
  keys.key_up(table, kColFlags, 1, TableKey::Other);
  EXPECT_EQ(cell(kColState, 1), "Selected");
}

TEST_F(MessageTableTest, AKeyThatMovesToAnotherRowSelectsNothingThere) {
  rows({{"", "", "5", "", "long text", "Unselected"}, {"", "", "5", "", "", "Unselected"}});
  TableKeys keys;
  keys.key_down(table, 1);                                  // Tab in the last column of row 1 ...
  keys.key_up(table, kColDescription, 2, TableKey::Other);  // ... comes up in row 2
  EXPECT_EQ(cell(kColState, 2), "Unselected");
}

TEST_F(MessageTableTest, SelectMenusHonourProgLenZero) {
  rows({{"", "12", "5", "", "", "Message Error"},
        {"", "12", "0", "", "", "Loaded"},
        {"", "", "", "", "", "Unselected"},
        {"", "13", "", "", "", ""}});
  select_all_messages(table);
  EXPECT_EQ(states(), (std::vector<std::string>{"Selected", "Loaded", "Selected", "Selected"}));
  unselect_all_messages(table);
  EXPECT_EQ(states(), std::vector<std::string>(4, "Unselected"));
  select_all_excluding(table, {"12", "", "", ""});
  EXPECT_EQ(states(),
            (std::vector<std::string>{"Unselected", "Unselected", "Unselected", "Selected"}));
  select_all_excluding(table, {"x", "x", "x", "x"});
  EXPECT_EQ(states(), (std::vector<std::string>{"Selected", "Unselected", "Selected", "Selected"}));
}

TEST_F(MessageTableTest, AddInsertAndDeleteRows) {
  rows({{"only", "1", "5", "", "", "Selected"}});
  EXPECT_FALSE(delete_row(table, 1));
  EXPECT_EQ(table.row_count(), 2);

  insert_row(table, 1);
  ASSERT_EQ(table.row_count(), 3);
  EXPECT_EQ(row_of(table, 1), (MessageRow{"", "", "0", "", "", "Unselected"}));
  EXPECT_EQ(cell(0, 2), "only");

  add_row(table);
  ASSERT_EQ(table.row_count(), 4);
  EXPECT_EQ(row_of(table, 3), (MessageRow{"", "", "", "", "", "Unselected"}));

  table.set_cell(0, 3, "third");
  EXPECT_TRUE(delete_row(table, 2));
  ASSERT_EQ(table.row_count(), 3);
  EXPECT_EQ(cell(0, 1), "");
  EXPECT_EQ(cell(0, 2), "third");
}

TEST_F(MessageTableTest, PasteDescriptionCopiesIntoTheTextMessage) {
  rows({{"Arm all", "", "", "", "", "Unselected"}});
  paste_description(table, 1);
  EXPECT_EQ(cell(kColText, 1), "Arm all");
  EXPECT_EQ(cell(kColState, 1), "Unselected");
}

TEST_F(MessageTableTest, ImportFillsTextMessagesInReadingOrder) {
  rows({{"", "", "", "", "r1", "Selected"}, {}, {}, {}, {"", "", "", "", "five", ""}});
  import_tab_delimited(table, {"A", "B\tC", "D"});
  EXPECT_EQ(texts(), (std::vector<std::string>{"A", "B", "C", "D", "five"}));
  EXPECT_EQ(cell(kColState, 1), "Selected");
  EXPECT_EQ(table.row_count(), 6);

  rows({{}, {}});
  import_tab_delimited(table, {"A", "B\tC", "D", "", "\t"});
  EXPECT_EQ(texts(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(table.row_count(), 3);

  rows({{"", "", "", "", "x", ""}, {"", "", "", "", "x", ""}, {"", "", "", "", "x", ""}});
  import_tab_delimited(table, {"", "\t"});  // an empty line is one empty field
  EXPECT_EQ(texts(), (std::vector<std::string>{"", "", ""}));
}

TEST_F(MessageTableTest, ImportFileAsksForATextFileAndReportsReadErrors) {
  rows({{}, {}});
  dir.write("in.txt", "one\ttwo\r\n");
  ui.dialog_answers = {dir.file("in.txt"), dir.file("none.txt"), std::nullopt};
  EXPECT_TRUE(import_tab_delimited_file(session, table));
  EXPECT_EQ(ui.file_dialogs[0].filter, "Tab Delimited Text Files|*.txt");
  EXPECT_EQ(texts(), (std::vector<std::string>{"one", "two"}));
  EXPECT_FALSE(import_tab_delimited_file(session, table));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("none.txt"), std::string::npos);
  EXPECT_FALSE(import_tab_delimited_file(session, table));
  EXPECT_EQ(ui.messages.size(), 1u);
}

}  // namespace
}  // namespace tarvex::device
