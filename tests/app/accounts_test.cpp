#include "app/accounts.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/user_codec.h"
#include "platform/text_file.h"
#include "support/blocked_rewrite.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
namespace {

using testing::ScriptedUi;
using testing::TempFolder;

// user.dat holding the given plain texts, one scrambled line each.
void write_users(const TempFolder& dir, const std::vector<std::string>& plain) {
  std::string bytes;
  for (const auto& line : plain) bytes += UserEncode(line) + "\r\n";
  dir.write(kUserFile, bytes);
}

std::vector<std::string> grid_rows(const platform::StringGrid& grid) {
  std::vector<std::string> rows;
  for (int r = 1; r < grid.row_count(); ++r)
    rows.push_back(grid.cell(0, r) + "|" + grid.cell(1, r) + "|" + grid.cell(2, r));
  return rows;
}

TEST(UserCodec, ShiftsEveryByteByLengthPlusOne) {
  EXPECT_EQ(UserEncode("abc"), "efg");
  EXPECT_EQ(UserDecode("efg"), "abc");
  EXPECT_EQ(UserEncode(""), "");
  EXPECT_EQ(UserDecode(""), "");
  // Wraps modulo 256 and round-trips every byte value.
  EXPECT_EQ(UserEncode("\xFF"), "\x01");
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(UserDecode(UserEncode(all)), all);
  // Printable ASCII below 129 bytes never encodes to a line end; longer texts
  // or other bytes can.
  EXPECT_TRUE(encodes_to_one_line(std::string(128, '~')));
  EXPECT_FALSE(encodes_to_one_line(std::string(1, '\x08')));  // 8 + 2 = LF
  EXPECT_FALSE(encodes_to_one_line(std::string(200, 'A')));   // 65 + 201 = 266 = LF
}

TEST(AutoLogon, NamesTheMarkedAccountUnlessNoneEmptyOrUnreadable) {
  TempFolder dir;
  const std::string file = dir.file(kUserFile);
  EXPECT_EQ(auto_logon_name(file), std::nullopt);  // no file
  write_users(dir, {"anna", "anna", "pw"});
  EXPECT_EQ(auto_logon_name(file), "anna");
  write_users(dir, {"None", "anna", "pw"});
  EXPECT_EQ(auto_logon_name(file), std::nullopt);
  dir.write(kUserFile, "\r\n" + UserEncode("anna") + "\r\n");
  EXPECT_EQ(auto_logon_name(file), std::nullopt);
  dir.write(kUserFile, "");
  EXPECT_EQ(auto_logon_name(file), std::nullopt);
}

TEST(Login, MasterWorksWithoutUserFileAndIsCaseSensitive) {
  TempFolder dir;
  ScriptedUi ui;
  auto granted = check_login(ui, dir.file(kUserFile), "Fendrust", "3816452");
  ASSERT_TRUE(granted);
  EXPECT_EQ(granted->operator_name, "Fendrust");
  EXPECT_EQ(granted->event, "Master Logging in");
  EXPECT_TRUE(ui.messages.empty());

  // Any other pair needs the file; its absence is reported with the file error.
  EXPECT_FALSE(check_login(ui, dir.file(kUserFile), "fendrust", "3816452"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("user.dat"), std::string::npos);
}

TEST(Login, MatchesNameAndPasswordAsAPairInFileOrder) {
  TempFolder dir;
  ScriptedUi ui;
  // Line 1 is only the auto-logon mark: a name there is no account.
  write_users(dir, {"ghost", "admin", "root", "sam", "one", "sam", "two"});
  const std::string file = dir.file(kUserFile);
  auto first = check_login(ui, file, "sam", "one");
  auto second = check_login(ui, file, "sam", "two");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->operator_name, "sam");
  EXPECT_EQ(second->event, "sam Logging in");
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_FALSE(check_login(ui, file, "sam", "root"));
  EXPECT_FALSE(check_login(ui, file, "Sam", "one"));
  EXPECT_FALSE(check_login(ui, file, "ghost", "admin"));
  EXPECT_FALSE(check_login(ui, file, "sam", ""));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Incorrect password!", "Incorrect password!",
                                                   "Incorrect password!", kFillInFieldsMessage}));
}

TEST(AdministratorCheck, MasterFirstThenOnlyTheFirstAccountSilently) {
  TempFolder dir;
  ScriptedUi ui;
  const std::string file = dir.file(kUserFile);
  // No file: the master passes, anyone else is refused without a word.
  EXPECT_TRUE(administrator_check(ui, file, "Fendrust", "3816452"));
  EXPECT_FALSE(administrator_check(ui, file, "admin", "root"));
  EXPECT_TRUE(ui.messages.empty());

  write_users(dir, {"None", "admin", "root", "sam", "one"});
  EXPECT_TRUE(administrator_check(ui, file, "admin", "root"));
  EXPECT_FALSE(administrator_check(ui, file, "sam", "one"));
  EXPECT_FALSE(administrator_check(ui, file, "admin", "one"));
  EXPECT_TRUE(ui.messages.empty());

  EXPECT_FALSE(administrator_check(ui, file, "admin", ""));
  EXPECT_EQ(ui.messages, std::vector<std::string>{kFillInFieldsMessage});
}

TEST(UserGrid, LoadShowsAccountsWithTheMarkedOneSelected) {
  TempFolder dir;
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  write_users(dir, {"sam", "admin", "root", "sam", "one", "", "", "sam", "two"});
  LoadUsers(grid, dir.file(kUserFile));
  EXPECT_EQ(grid.cell(2, 0), "Logon as:");
  EXPECT_EQ(grid_rows(grid), (std::vector<std::string>{"admin|root|Unselected", "sam|one|Selected",
                                                       "||Unselected", "sam|two|Selected"}));

  // Reloading a shorter file drops the old rows; "None" marks nobody, not an
  // account named None.
  write_users(dir, {"None", "None", "x"});
  LoadUsers(grid, dir.file(kUserFile));
  EXPECT_EQ(grid_rows(grid), std::vector<std::string>{"None|x|Unselected"});

  // A missing file leaves one empty row.
  std::filesystem::remove(dir.file(kUserFile));
  LoadUsers(grid, dir.file(kUserFile));
  EXPECT_EQ(grid_rows(grid), std::vector<std::string>{"||Unselected"});
}

TEST(UserGrid, SaveWritesMarkThenEveryRowAndReadsBackTheSame) {
  TempFolder dir;
  ScriptedUi ui;
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  grid.set_row_cells(1, {"admin", "root", "Selected"});
  add_user_row(grid);  // stays empty
  add_user_row(grid);
  grid.set_row_cells(3, {"sam", "one", "Selected"});
  ASSERT_TRUE(SaveUsers(ui, grid, dir.file(kUserFile)));
  // The last selected row wins; empty rows are two empty lines.
  EXPECT_EQ(dir.read(kUserFile), "weq\r\ngjsot\r\nwtty\r\n\r\n\r\nweq\r\nsri\r\n");
  EXPECT_EQ(auto_logon_name(dir.file(kUserFile)), "sam");

  platform::StringGrid loaded(3, 2);
  init_user_grid(loaded);
  LoadUsers(loaded, dir.file(kUserFile));
  EXPECT_EQ(grid_rows(loaded), (std::vector<std::string>{"admin|root|Unselected", "||Unselected",
                                                         "sam|one|Selected"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST(UserGrid, SelectedRowWithEmptyNameSavesNone) {
  TempFolder dir;
  ScriptedUi ui;
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  grid.set_row_cells(1, {"", "pw", "Selected"});
  ASSERT_TRUE(SaveUsers(ui, grid, dir.file(kUserFile)));
  EXPECT_EQ(platform::read_lines(dir.file(kUserFile)),
            (std::vector<std::string>{UserEncode("None"), "", UserEncode("pw")}));
  EXPECT_EQ(auto_logon_name(dir.file(kUserFile)), std::nullopt);
}

TEST(UserGrid, TextsThatWouldBreakTheLinesAreRefusedAndTheFileKept) {
  TempFolder dir;
  ScriptedUi ui;
  write_users(dir, {"None", "admin", "root"});
  const std::string before = dir.read(kUserFile);
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  grid.set_row_cells(1, {"admin", "root", "Unselected"});
  add_user_row(grid);
  grid.set_row_cells(2, {"sam", std::string(200, 'A'), "Unselected"});
  EXPECT_FALSE(SaveUsers(ui, grid, dir.file(kUserFile)));
  EXPECT_EQ(ui.messages,
            std::vector<std::string>{"The password in row 2 can not be saved. Use a shorter text "
                                     "of letters, digits and punctuation."});
  EXPECT_EQ(dir.read(kUserFile), before);

  // The longest printable text that always stores is accepted as it is.
  grid.set_cell(1, 2, std::string(128, '~'));
  ASSERT_TRUE(SaveUsers(ui, grid, dir.file(kUserFile)));
  platform::StringGrid loaded(3, 2);
  LoadUsers(loaded, dir.file(kUserFile));
  EXPECT_EQ(loaded.cell(1, 2), std::string(128, '~'));
}

TEST(UserGrid, FailedWriteIsReportedAndKeepsTheOldFile) {
  TempFolder dir;
  ScriptedUi ui;
  write_users(dir, {"None", "admin", "root"});
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  {
    const tarvex::testing::BlockedRewrite blocked(dir.file(kUserFile));
    EXPECT_FALSE(SaveUsers(ui, grid, dir.file(kUserFile)));
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("user.dat"), std::string::npos);
  EXPECT_EQ(auto_logon_name(dir.file(kUserFile)), std::nullopt);
  EXPECT_EQ(platform::read_lines(dir.file(kUserFile)).size(), 3u);
}

TEST(UserGrid, DoubleClickKeepsAtMostOneRowSelected) {
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  add_user_row(grid);
  add_user_row(grid);
  grid.set_cell(2, 1, "Selected");
  grid.set_cell(2, 3, "Selected");  // as a hand-edited file may load
  toggle_logon(grid, 2, 2);
  EXPECT_EQ(grid.cell(2, 1) + grid.cell(2, 2) + grid.cell(2, 3), "UnselectedSelectedUnselected");
  toggle_logon(grid, 1, 3);  // other columns do nothing
  EXPECT_EQ(grid.cell(2, 2), "Selected");
  toggle_logon(grid, 2, 2);
  EXPECT_EQ(grid.cell(2, 1) + grid.cell(2, 2) + grid.cell(2, 3), "UnselectedUnselectedUnselected");
}

TEST(UserGrid, RemoveTakesTheCurrentRowButNeverTheLastOne) {
  platform::StringGrid grid(3, 2);
  init_user_grid(grid);
  grid.set_row_cells(1, {"only", "pw", "Unselected"});
  remove_user_row(grid);
  EXPECT_EQ(grid_rows(grid), std::vector<std::string>{"only|pw|Unselected"});

  add_user_row(grid);
  grid.set_row_cells(2, {"b", "2", "Selected"});
  add_user_row(grid);
  grid.set_row_cells(3, {"c", "3", "Unselected"});
  grid.set_current(1, 2);
  remove_user_row(grid);
  EXPECT_EQ(grid_rows(grid), (std::vector<std::string>{"only|pw|Unselected", "c|3|Unselected"}));
}

}  // namespace
}  // namespace tarvex::app
