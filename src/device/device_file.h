#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "device/device.h"
#include "platform/string_grid.h"

namespace tarvex::device {

// Marker bytes of the device file format.
inline constexpr char kFieldSeparator = '\xFE';  // ends every field of a row line
inline constexpr char kHardwareMarker = '\xFD';  // starts the hardware type line
inline constexpr char kModeMarker = '\xFC';      // starts the programming mode line
inline constexpr char kFunctionMarker = '\xFB';  // starts the function file line
inline constexpr const char* kDescriptionPrefix = "00000";

// The state of one read of a device file: the table row that the next row
// line fills, and whether a listed hardware type was met. Every caller sets
// the counter to 1 before the first line.
struct DeviceLineReader {
  int row_counter = 1;
  bool hardware_type_found = false;
};

struct SaveResult;
struct OpenResult;

// Everything a device file is read into or written from: the program-wide
// session (programming mode, hardware type names), the device fields and the
// message table.
struct DeviceContext {
  app::Session& session;
  Device& device;
  platform::StringGrid& table;
  DeviceLineReader& reader;
  // Told of every successful save, also of one run by the question about
  // unsaved changes, so that the window can show the new caption.
  std::function<void(const SaveResult&)> saved = {};
  // Told when Open Device, Open Default or a recent-file entry has read a
  // file, before the messages about its mode and hardware type, so that the
  // window shows the device, mode, caption and recent files behind them.
  std::function<void(const OpenResult&)> opened = {};
};

// Applies one line of a device file (line end removed) to the current device.
// Row lines fill the table from the reader's row counter on; a row counts
// (and the counter moves on) only when it held exactly five fields and
// nothing after the fifth separator. A hardware type is taken only when it is
// one of the listed names. Returns the conversion's error text when a mode
// line is not a decimal number; that line then changes nothing.
std::optional<std::string> read_device_line(DeviceContext& context, const std::string& line);

// Passes lines in order to read_device_line inside one table update. Every
// conversion error is shown to the operator; the other lines still count.
void read_device_lines(DeviceContext& context, const std::vector<std::string>& lines);

// The unit number as a device file stores it: "+" in front when it holds none.
std::string stored_unit_number(const std::string& unit_number);

// The lines of a device file for the device, the programming mode and data
// rows 1..n of the table, ending with the empty last line. An empty password
// is written as "9473"; no hardware type gives the marker alone; an empty
// function file name gives no function file line.
std::vector<std::string> device_file_lines(const Device& device, int programming_mode,
                                           const platform::StringGrid& table);

}  // namespace tarvex::device
