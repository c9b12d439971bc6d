#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/string_grid.h"

namespace tarvex::device {

// Device files and tab-delimited import files hold a few kilobytes; one over
// this size is refused before it is read.
inline constexpr std::uintmax_t kMaxDeviceFileBytes = std::uintmax_t{64} << 20;

// Columns of the message table maingrid1.
inline constexpr int kColDescription = 0;
inline constexpr int kColProgCode = 1;
inline constexpr int kColProgLen = 2;
inline constexpr int kColFlags = 3;
inline constexpr int kColText = 4;
inline constexpr int kColState = 5;
inline constexpr int kTableColumns = 6;

// Texts of the selection column.
inline constexpr const char* kSelected = "Selected";
inline constexpr const char* kUnselected = "Unselected";
inline constexpr const char* kLoaded = "Loaded";
inline constexpr const char* kProgrammingFailed = "Programming failed!";
inline constexpr const char* kMessageError = "Message Error";
inline constexpr const char* kMessageProgrammed = "Message is Programmed";

inline constexpr const char* kDefaultUnitNumber = "+27";
// The most characters the operator can type as a unit number; a device file
// may hold a longer one, which is kept whole.
inline constexpr int kUnitNumberTypedLength = 25;
inline constexpr const char* kDefaultPassword = "9473";

// One data row of the message table.
struct MessageRow {
  std::string description;  // "Message Description"
  std::string prog_code;    // "Prog Code"
  std::string prog_len;     // "Prog Len"
  std::string flags;        // "Flags"
  std::string text;         // "Text Message"
  std::string state;        // "Selected/Unselected" or an outcome

  // Characters of Flags followed by Text Message.
  int message_length() const { return static_cast<int>(flags.size() + text.size()); }
  bool operator==(const MessageRow&) const = default;
};

// The current unit. The message table itself is the main window's grid; the
// rest of the device lives here.
struct Device {
  std::string unit_number = kDefaultUnitNumber;
  std::string password;
  std::string description;
  // None when no entry of the hardware-type box is chosen.
  std::optional<std::string> hardware_type;
  // Relative to the function folder; empty when the device has none.
  std::string function_file;
  // The operator changed something since the last load or save.
  bool modified = false;
};

MessageRow row_of(const platform::StringGrid& table, int row);
void set_row(platform::StringGrid& table, int row, const MessageRow& cells);
// Data rows 1..n.
std::vector<MessageRow> rows_of(const platform::StringGrid& table);
int data_rows(const platform::StringGrid& table);
int message_length(const platform::StringGrid& table, int row);

}  // namespace tarvex::device
