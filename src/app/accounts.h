#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/string_grid.h"
#include "platform/ui.h"

// Operator accounts in user.dat, the login rules and the account editor's
// grid operations.
//
// user.dat: line 1 holds the auto-logon user name (or "None"), then a user
// name line and a password line per account, in file order; every line is
// scrambled with UserEncode. The first account is the administrator.
namespace tarvex::app {

inline constexpr const char* kUserFile = "user.dat";
inline constexpr const char* kNoAutoLogon = "None";
inline constexpr const char* kMasterName = "Fendrust";
inline constexpr const char* kMasterPassword = "3816452";

inline constexpr const char* kFillInFieldsMessage =
    "Make sure that the \"Username\" and \"Password\" fields are filled in";
inline constexpr const char* kIncorrectPasswordMessage = "Incorrect password!";

inline constexpr const char* kSelected = "Selected";
inline constexpr const char* kUnselected = "Unselected";

// Columns of the account editor's grid.
inline constexpr int kUserNameCol = 0;
inline constexpr int kPasswordCol = 1;
inline constexpr int kLogonAsCol = 2;

struct Account {
  std::string name;
  std::string password;
  bool operator==(const Account&) const = default;
};

// The user name line 1 of user.dat names for logging on without a dialog, or
// nothing when the line is empty or "None", or the file cannot be read.
std::optional<std::string> auto_logon_name(const std::string& user_file);

// What a successful login changes: the new current operator and the event
// that records it.
struct LoginGranted {
  std::string operator_name;
  std::string event;
};

// "Login" of the login dialog. Empty fields, a wrong pair and an unreadable
// user.dat are reported through ui (the dialog then stays open); the master
// login works without the file. The first account in file order whose name
// and password both match is the one logged in.
std::optional<LoginGranted> check_login(platform::Ui& ui, const std::string& user_file,
                                        const std::string& name, const std::string& password);

// Whether the typed pair may open the account editor or the event log: the
// master login, or the first account of user.dat and no other. Only empty
// fields are reported; any other refusal, an unreadable file included, is
// silent.
bool administrator_check(platform::Ui& ui, const std::string& user_file, const std::string& name,
                         const std::string& password);

// The account editor's grid: 3 columns, row 0 the headings "User Name",
// "Password", "Logon as:", data from row 1.
void init_user_grid(platform::StringGrid& grid);

// Reduces the grid to one empty "Unselected" row and fills it from user.dat,
// one row per account. The row whose user name is the auto-logon name reads
// "Selected". A missing or unreadable file leaves the grid as far as it got.
void LoadUsers(platform::StringGrid& grid, const std::string& user_file);

// The lines of user.dat for the grid: the user name of the last "Selected"
// row (or "None" when there is none or its name is empty), then name and
// password of every row, empty rows included, all scrambled.
std::vector<std::string> user_file_lines(const platform::StringGrid& grid);

// Why a cell cannot be saved (a text whose scrambled form would hold a line
// end and so read back as different lines), or nothing when every cell can.
std::optional<std::string> unstorable_user_text(const platform::StringGrid& grid);

// "Save": writes user.dat whole, replacing the old file only once the new one
// is complete. Texts that cannot be stored and write failures are reported
// through ui, and the file then stays as it was. Returns whether it saved.
bool SaveUsers(platform::Ui& ui, const platform::StringGrid& grid, const std::string& user_file);

// Sets "Logon as:" of every data row to "Unselected".
void UnselectAll(platform::StringGrid& grid);

// A double click on a cell: only the "Logon as:" column reacts. "Unselected"
// becomes the only "Selected" row; "Selected" leaves no row selected.
void toggle_logon(platform::StringGrid& grid, int col, int row);

// "Add": a new last row with empty name and password, "Unselected".
void add_user_row(platform::StringGrid& grid);

// "Remove": drops the row of the current cell, unless it is the only data row.
void remove_user_row(platform::StringGrid& grid);

}  // namespace tarvex::app
