#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "app/session.h"
#include "platform/string_grid.h"

// The editing rules of the message table maingrid1.
namespace tarvex::device {

inline constexpr const char* kImportFilter = "Tab Delimited Text Files|*.txt";

// "The message is longer then N characters!"
std::string too_long_message(int limit);

// Shows the message length (Label12) before any message, so that a warning
// appears over the length it speaks of.
using ShowLength = std::function<void(int length)>;

// The length display and check of a row: returns the message length and
// hands it to show_length first. When Prog Len is a number N > 0 below that
// length, the too-long warning is shown; when Prog Len is neither empty nor a
// number, the conversion's error text is shown instead. The row never changes.
int check_message_length(platform::Ui& ui, const platform::StringGrid& table, int row,
                         const ShowLength& show_length = {});

// What a click does to the description view Memo1.
enum class MemoChange { Keep, Show, Clear };
struct ClickResult {
  int length = 0;
  MemoChange memo = MemoChange::Keep;
  std::string memo_text;
};
// A click in the table (maingrid1Click): the length display and check, then
// the description view by Prog Len (empty: kept, "0": emptied, other: shown).
ClickResult table_click(platform::Ui& ui, const platform::StringGrid& table, int row,
                        const ShowLength& show_length = {});

enum class DoubleClick { Nothing, StateChanged, PastePopup };
// A double click on the current cell (maingrid1DblClick). Never sets the
// modified flag.
DoubleClick table_double_click(platform::StringGrid& table, int col, int row);

enum class TableKey { Space, Up, Down, PageUp, PageDown, Other };

// The selection state of the column-5 cell last entered and the message
// length when the last key went down, and the key rules built on them.
class TableKeys {
 public:
  // The operator moved into a cell (maingrid1SelectCell).
  void cell_entered(const platform::StringGrid& table, int col, int row);
  // maingrid1KeyDown.
  void key_down(const platform::StringGrid& table, int row);
  // maingrid1KeyUp: the Space toggle in column 5 (a Prog Len of "0" keeps the
  // row "Unselected"), and in columns 0 to 4 the automatic selection of a row
  // whose message length changed. A key that moved to another row (Tab or
  // Enter at a row's end) selects nothing there. Returns whether column 5 was
  // written.
  bool key_up(platform::StringGrid& table, int col, int row, TableKey key);

  const std::string& remembered_state() const { return state_; }
  int remembered_length() const { return length_; }

 private:
  std::string state_;
  int length_ = 0;
  int key_row_ = 0;
};

// "Select All Messages": every row but those with Prog Len "0".
void select_all_messages(platform::StringGrid& table);
// "Unselect All Messages".
void unselect_all_messages(platform::StringGrid& table);
// The "Exclude Selection" window's "Select": a row is selected when its Prog
// Len is not "0" and its Prog Code equals none of the four texts (an empty
// text excludes rows with an empty Prog Code); every other row is unselected.
void select_all_excluding(platform::StringGrid& table, const std::array<std::string, 4>& codes);

// "Add": an empty last row, "Unselected".
void add_row(platform::StringGrid& table);
// "Insert": a new row at row, with Prog Len "0" and "Unselected".
void insert_row(platform::StringGrid& table, int row);
// "Delete": removes the row unless it is the only data row. Returns whether
// a row went.
bool delete_row(platform::StringGrid& table, int row);
// "Paste Description": Text Message := Message Description.
void paste_description(platform::StringGrid& table, int row);

// Puts the TAB-separated fields of the lines, in reading order, into the Text
// Message cells of rows 1, 2, 3, ...; fields beyond the last row are dropped.
void import_tab_delimited(platform::StringGrid& table, const std::vector<std::string>& lines);
// "Import Tab Delimited Text File": the open dialog, then the import. A file
// that cannot be read is reported. Returns whether a file was imported.
bool import_tab_delimited_file(app::Session& session, platform::StringGrid& table);

}  // namespace tarvex::device
