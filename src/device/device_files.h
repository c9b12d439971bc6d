#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/device_file.h"
#include "device/function_file.h"

namespace tarvex::device {

enum class DeviceFileKind { Device, Default };

inline constexpr const char* kDeviceFileFilter = "Device File|*.dev|Default Device Files|*.dft";
inline constexpr const char* kOpenDeviceFilter = "Device Files|*.dev|Default Device Files|*.dft";
inline constexpr const char* kFunctionFileTitle =
    "Please select a function file to save in the device file";
inline constexpr const char* kUnsavedChangesQuestion =
    "Changes was made to the device do you want to save the changes?";
inline constexpr const char* kNoPasswordMessage =
    "No Programmers Password supplied. Will insert \"9473\" as the password";
inline constexpr const char* kNoHardwareSavedMessage = "No hardware type will be saved";
inline constexpr const char* kNoModeMessage =
    "No programming mode defined, Tarvex Mode is selected";
inline constexpr const char* kNoHardwareMessage = "No hardware type was selected";

// The device and function folders as paths (settings may be relative).
std::string device_folder(const app::Session& session);
std::string function_folder(const app::Session& session);
// The full path of the device's function file.
std::string function_file_path(const app::Session& session, const std::string& function_file);

// The window caption for a device file: base caption, two blanks and the path
// below the device folder.
std::string device_caption(const app::Session& session, const std::string& path);

// Captions for the recent-file entries Hist1..Hist4 after an update; an empty
// optional leaves an entry as it was.
using HistoryMenu = std::array<std::optional<std::string>, 4>;

// Puts path first in History.ini (the old first three lines follow, empty ones
// left out) and tells which menu entries change. A missing History.ini
// counts as empty; one that is there but cannot be read is reported and left
// as it is, with the menu; a failed rewrite is reported and the menu still
// changes.
HistoryMenu update_history(app::Session& session, const std::string& path);

// The question about unsaved changes, before an operation that would drop
// them. Returns whether the operation goes on: "Yes" saves (save) and stops
// it, "No" goes on, "Cancel" stops. Without changes it goes on unasked.
bool confirm_discard(platform::Ui& ui, bool changed, const std::function<void()>& save);
// The same for the current device.
bool confirm_discard_changes(DeviceContext& context);

struct SaveResult {
  std::string path;
  std::string caption;
};

// Save Device / Save Default: asks for a function file when the device has
// none, then for the file name; writes the file whole (never a truncated
// one), clears the modified flag and logs "Saving File: ". Nothing when the
// operator cancels or the file cannot be written (the error is shown).
std::optional<SaveResult> save_device(DeviceContext& context, DeviceFileKind kind);

// New: after the question, an empty one-row table, "+27", "9473", no
// description, modified flag cleared. Returns whether it happened.
bool new_device(DeviceContext& context);

struct OpenResult {
  bool opened = false;           // a file was read into the device
  bool reload_commands = false;  // rebuild the command list and the mode controls
  std::string path;
  std::string caption;  // empty: the window title stays (a recent-file entry)
  HistoryMenu history;
};

// Open Device / Open Default. Opening reads the chosen file whole first; one
// that cannot be read is reported and changes nothing.
OpenResult open_device(DeviceContext& context, DeviceFileKind kind);

// A recent-file entry. The table is not emptied first. Tells context.opened
// (no caption, no history change) before the messages about mode and
// hardware type. Returns whether the file was read; the caller then rebuilds
// the command list and mode controls.
bool open_history_entry(DeviceContext& context, const std::string& path);

// The command list ComboBoxPlus1 as read from the device's function file.
using CommandEntry = FunctionEntry;
struct CommandListStyle {
  int rows;                     // the size the list is prepared for
  std::string heading;          // the padded "Description" heading
  std::string failure_heading;  // the heading after a failed load
  bool pump_events;             // let window events run while it loads
};
CommandListStyle open_device_commands();   // 150 rows, heading of 64 characters
CommandListStyle open_default_commands();  // 100 rows, heading of 90 characters
struct CommandList {
  std::string heading;
  std::vector<CommandEntry> entries;
  bool blank_row = false;  // one empty row after the heading (failed load)
};
// Reads the function file: three lines skipped, then one entry per line that
// holds a 0xFE byte. A missing or unreadable file shows "Unable to load
// commands", gives the heading and one empty row and clears the device's
// function file name.
CommandList load_command_list(DeviceContext& context, const CommandListStyle& style);

}  // namespace tarvex::device
