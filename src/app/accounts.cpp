#include "app/accounts.h"

#include <exception>

#include "app/user_codec.h"
#include "platform/text_file.h"

namespace tarvex::app {

namespace {

bool is_master(const std::string& name, const std::string& password) {
  return name == kMasterName && password == kMasterPassword;
}

// The scrambled auto-logon mark of line 1, or nothing when no account is
// marked. An account named "None" therefore never shows as marked: it could
// not log on automatically anyway.
std::optional<std::string> logon_mark(const std::string& line) {
  if (line.empty() || line == UserEncode(kNoAutoLogon)) return std::nullopt;
  return line;
}

void fill_row(platform::StringGrid& grid, int row, const std::string& name_line,
              const std::string& password_line, const std::optional<std::string>& mark) {
  grid.set_cell(kUserNameCol, row, UserDecode(name_line));
  grid.set_cell(kPasswordCol, row, UserDecode(password_line));
  grid.set_cell(kLogonAsCol, row, mark && name_line == *mark ? kSelected : kUnselected);
}

}  // namespace

std::optional<std::string> auto_logon_name(const std::string& user_file) {
  std::string first_line;
  try {
    first_line = platform::LineReader::from_file(user_file).read_line();
  } catch (const std::exception&) {
    return std::nullopt;
  }
  if (!logon_mark(first_line)) return std::nullopt;
  return UserDecode(first_line);
}

std::optional<LoginGranted> check_login(platform::Ui& ui, const std::string& user_file,
                                        const std::string& name, const std::string& password) {
  if (name.empty() || password.empty()) {
    ui.message(kFillInFieldsMessage);
    return std::nullopt;
  }
  if (is_master(name, password)) return LoginGranted{kMasterName, "Master Logging in"};

  const std::string encoded_name = UserEncode(name);
  const std::string encoded_password = UserEncode(password);
  platform::LineReader reader;
  try {
    reader = platform::LineReader::from_file(user_file);
  } catch (const std::exception& e) {
    ui.message(e.what());
    return std::nullopt;
  }
  reader.read_line();  // the auto-logon mark
  while (!reader.eof()) {
    const std::string name_line = reader.read_line();
    const std::string password_line = reader.read_line();
    if (name_line == encoded_name && password_line == encoded_password)
      return LoginGranted{name, name + " Logging in"};
  }
  ui.message(kIncorrectPasswordMessage);
  return std::nullopt;
}

bool administrator_check(platform::Ui& ui, const std::string& user_file, const std::string& name,
                         const std::string& password) {
  if (is_master(name, password)) return true;
  if (name.empty() || password.empty()) {
    ui.message(kFillInFieldsMessage);
    return false;
  }
  try {
    platform::LineReader reader = platform::LineReader::from_file(user_file);
    reader.read_line();
    const std::string name_line = reader.read_line();
    const std::string password_line = reader.read_line();
    return name_line == UserEncode(name) && password_line == UserEncode(password);
  } catch (const std::exception&) {
    return false;
  }
}

void init_user_grid(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  grid.set_col_count(3);
  if (grid.row_count() < 2) grid.set_row_count(2);
  grid.set_cell(kUserNameCol, 0, "User Name");
  grid.set_cell(kPasswordCol, 0, "Password");
  grid.set_cell(kLogonAsCol, 0, "Logon as:");
  grid.set_cell(kLogonAsCol, 1, kUnselected);
}

void LoadUsers(platform::StringGrid& grid, const std::string& user_file) {
  platform::GridUpdate update(grid);
  grid.clear_rows(1, grid.row_count() - 1);
  grid.set_row_count(2);
  grid.set_cell(kLogonAsCol, 1, kUnselected);
  grid.set_current(0, 1);

  platform::LineReader reader;
  try {
    reader = platform::LineReader::from_file(user_file);
  } catch (const std::exception&) {
    return;  // no accounts yet: one empty row
  }
  const std::optional<std::string> mark = logon_mark(reader.read_line());
  const std::string name_line = reader.read_line();
  fill_row(grid, 1, name_line, reader.read_line(), mark);
  while (!reader.eof()) {
    const int row = grid.row_count();
    grid.set_row_count(row + 1);
    const std::string name = reader.read_line();
    fill_row(grid, row, name, reader.read_line(), mark);
  }
}

std::vector<std::string> user_file_lines(const platform::StringGrid& grid) {
  std::string auto_logon;
  for (int row = 1; row < grid.row_count(); ++row)
    if (grid.cell(kLogonAsCol, row) == kSelected) auto_logon = grid.cell(kUserNameCol, row);
  if (auto_logon.empty()) auto_logon = kNoAutoLogon;

  std::vector<std::string> lines;
  lines.reserve(1 + 2 * static_cast<std::size_t>(grid.row_count()));
  lines.push_back(UserEncode(auto_logon));
  for (int row = 1; row < grid.row_count(); ++row) {
    lines.push_back(UserEncode(grid.cell(kUserNameCol, row)));
    lines.push_back(UserEncode(grid.cell(kPasswordCol, row)));
  }
  return lines;
}

std::optional<std::string> unstorable_user_text(const platform::StringGrid& grid) {
  for (int row = 1; row < grid.row_count(); ++row) {
    for (int col : {kUserNameCol, kPasswordCol}) {
      if (encodes_to_one_line(grid.cell(col, row))) continue;
      const std::string what = col == kUserNameCol ? "user name" : "password";
      return "The " + what + " in row " + std::to_string(row) +
             " can not be saved. Use a shorter text of letters, digits and punctuation.";
    }
  }
  return std::nullopt;
}

bool SaveUsers(platform::Ui& ui, const platform::StringGrid& grid, const std::string& user_file) {
  if (auto problem = unstorable_user_text(grid)) {
    ui.message(*problem);
    return false;
  }
  try {
    platform::write_lines(user_file, user_file_lines(grid));
  } catch (const std::exception& e) {
    ui.message(e.what());
    return false;
  }
  return true;
}

void UnselectAll(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  for (int row = 1; row < grid.row_count(); ++row) grid.set_cell(kLogonAsCol, row, kUnselected);
}

void toggle_logon(platform::StringGrid& grid, int col, int row) {
  if (col != kLogonAsCol || row < 1 || row >= grid.row_count()) return;
  const std::string state = grid.cell(kLogonAsCol, row);
  platform::GridUpdate update(grid);
  if (state == kUnselected) {
    UnselectAll(grid);
    grid.set_cell(kLogonAsCol, row, kSelected);
  } else if (state == kSelected) {
    UnselectAll(grid);
  }
}

void add_user_row(platform::StringGrid& grid) {
  const int row = grid.row_count();
  platform::GridUpdate update(grid);
  grid.set_row_count(row + 1);
  grid.set_row_cells(row, {"", "", kUnselected});
}

void remove_user_row(platform::StringGrid& grid) {
  if (grid.row_count() <= 2) return;
  const int row = grid.row();
  if (row < 1 || row >= grid.row_count()) return;
  grid.remove_row(row);
}

}  // namespace tarvex::app
