#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "outbound/sms_programming.h"
#include "platform/string_grid.h"

// Bulk messages: one free text to every selected number of a list, each as
// its own outbox file, and the lists kept as group files (".grp", one number
// per line) in the "Groups" folder of the start-up folder.
namespace tarvex::outbound {

inline constexpr const char* kBulkCaption = "Bulk Messages";
inline constexpr const char* kGroupsFolderName = "Groups";
inline constexpr const char* kGroupFileFilter = "Group Files|*.grp";
inline constexpr const char* kGroupFileExtension = "grp";
inline constexpr const char* kGetNumbersTitle = "Get Numbers from Directory";
inline constexpr const char* kBulkHint = "Hint: Do not use Carriage returns in your message.";
inline constexpr const char* kNoCarriageReturns = "Do not use Carriage returns in your message!";
inline constexpr const char* kNoMessageToSend =
    "No message to send! Please type a message in the Message Box.";
inline constexpr const char* kNoNumbersToSendTo =
    "There are no numbers to send to! Please add some numbers.";
inline constexpr const char* kOutputPathMissing =
    "Can not find the Ouput path to send the message!";
inline constexpr const char* kMessagesSent = " Message(s) was send";
inline constexpr const char* kUnselected = "Unselected";
inline constexpr const char* kSent = "Send";

std::string groups_folder(const app::Session& session);

// Every number followed by CR LF, then one more CR LF.
std::string group_file_text(const std::vector<std::string>& numbers);
// The non-empty lines. Throws platform::FileError.
std::vector<std::string> read_group_file(const std::string& path);

// The number grid: "Number" and "Select/Unselect" headings, data rows from 1.
// A new list is one row with an empty number and "Unselected".
void reset_number_grid(platform::StringGrid& grid);
std::vector<std::string> grid_numbers(const platform::StringGrid& grid);
// A new list of these numbers, all "Unselected" (at least one row).
void show_numbers(platform::StringGrid& grid, const std::vector<std::string>& numbers);
// Appends each number, "Unselected", filling the last row first when its
// number is empty. Numbers already listed are not looked for.
void add_numbers(platform::StringGrid& grid, const std::vector<std::string>& numbers);
// A double click: in column 1, "" / "Send" / "Selected" become "Unselected"
// and "Unselected" becomes "Selected"; other texts stay.
void toggle_selection(platform::StringGrid& grid);
void mark_all(platform::StringGrid& grid, const std::string& state);
// "Add Number": a new empty "Unselected" row with the cursor in its number.
void add_number_row(platform::StringGrid& grid);
// "Remove Number": the cursor's row, unless it is the only one. Returns
// whether a row went.
bool remove_number_row(platform::StringGrid& grid);

// "Bulk Messages " + the path below the Groups folder.
std::string group_caption(const app::Session& session, const std::string& path);
// The caption with "*" once the list differs from its file; a list without a
// file, or one marked already, keeps its caption.
std::string marked_caption(const std::string& caption);

// The numbers that the names of device files give: names longer than 10
// characters that start with "+", cut at ".dev".
std::vector<std::string> numbers_from_device_names(const std::vector<std::string>& names);

// "Open Group": the list of a group file, with the new caption; nothing when
// the operator cancels or the file can not be read (reported; the list stays).
struct OpenedGroup {
  std::vector<std::string> numbers;
  std::string caption;
};
std::optional<OpenedGroup> open_group(app::Session& session);
// "Save Group": the caption for the saved file, or nothing.
std::optional<std::string> save_group(app::Session& session,
                                      const std::vector<std::string>& numbers);
// "Update Database out of Directory": the numbers of the device files in the
// folder the operator picks; nothing when cancelled.
std::optional<std::vector<std::string>> numbers_from_directory(app::Session& session);

// The send over every "Selected" row: one draw R for the whole send, files
// number + "_" + R + row index + ".txt" holding number + ",7," + message + CR
// LF, "Send" into each row sent, a message for each row that failed, and the
// count at the end. Rows without a number are passed over. R is drawn again
// (a few times at most) while it would overwrite a file of this send that is
// still waiting for the modem engine. Returns the count, -1 when refused.
int bulk_send(app::Session& session, platform::StringGrid& grid, const std::string& message,
              const TagSource& draw);

}  // namespace tarvex::outbound
