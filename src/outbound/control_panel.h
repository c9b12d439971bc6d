#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "device/function_file.h"
#include "outbound/sms_programming.h"
#include "platform/string_grid.h"

// The control panel: a list of one-click functions for a kind of unit, kept
// in function files, each sent to the unit by SMS or e-mail on a double click.
namespace tarvex::outbound {

using device::FunctionEntry;
using device::FunctionFile;

class EmailChannel;

inline constexpr const char* kNoTextToSend = "This cell does not have any text to send";
inline constexpr const char* kFunctionFileOpened = "Function file Opened: ";
inline constexpr const char* kFunctionDirCaption = "Function Dir: ";
// Label3 before the first send, and 5 s after each.
inline constexpr const char* kNoMessageSendYet = "No message send";
inline constexpr const char* kNoMessageSend = "No Message Send";
inline constexpr int kFunctionStatusMs = 5000;

// The function grid: "Function Description" and "Function Char" headings,
// data rows from 1, never fewer than one.
void reset_function_grid(platform::StringGrid& grid);
// Every data row, empty ones included, as the functions of a file.
std::vector<FunctionEntry> grid_functions(const platform::StringGrid& grid);
// The functions in rows 1.., followed by one spare empty row.
void show_functions(platform::StringGrid& grid, const std::vector<FunctionEntry>& functions);
// "Add Function": one empty row at the end. "Remove Function": the cursor's
// row goes, unless it is the only data row.
void add_function_row(platform::StringGrid& grid);
void remove_function_row(platform::StringGrid& grid);

// "Open Unit": the open dialog in the function folder (made when missing),
// then the whole file. Logs "Function file Opened: " with the path. Nothing
// when the operator cancels or the file can not be read (reported).
std::optional<FunctionFile> open_function_file(app::Session& session,
                                               const std::function<void(const std::string&)>& log);
// "Save Unit": the save dialog in the function folder, then the file written
// whole (never a truncated one). A file that would not read back as it
// stands is refused before anything is asked.
bool save_function_file(app::Session& session, const FunctionFile& file);

struct FunctionSend {
  std::string unit_number;
  std::string password;
  std::string command;
  bool via_email = false;
  bool alternative = false;  // "Send using alt settings"; ignored for e-mail
};

// A double click on a function. Returns the text for the status label
// (shown for 5 s), or nothing when nothing was sent (the reason was shown).
std::optional<std::string> send_function(app::Session& session, EmailChannel& email,
                                         const FunctionSend& send, const TagSource& draw,
                                         const std::function<void(const std::string&)>& log);

}  // namespace tarvex::outbound
