#include "device/device_file.h"

#include <algorithm>
#include <stdexcept>

#include "app/settings_files.h"

namespace tarvex::device {

namespace {

// The format has no escaping: a separator byte or a line end inside a text
// would split its line and lose or shift data on the next read. Such bytes
// are written as '?'.
std::string stored_text(std::string text) {
  std::replace_if(
      text.begin(), text.end(),
      [](char c) { return c == kFieldSeparator || c == '\r' || c == '\n'; }, '?');
  return text;
}

void read_row_line(DeviceContext& context, const std::string& line) {
  platform::StringGrid& table = context.table;
  const int row = context.reader.row_counter;
  table.set_row_count(row + 1);
  std::size_t start = 0;
  constexpr std::size_t kStoredFields = kColState;
  std::size_t fields = 0;  // a line of any length cannot overflow the count
  for (std::size_t end; (end = line.find(kFieldSeparator, start)) != std::string::npos;
       start = end + 1) {
    // Only the five stored columns are filled; the selection column never
    // comes from a file.
    if (fields < kStoredFields)
      table.set_cell(static_cast<int>(fields), row, line.substr(start, end - start));
    ++fields;
  }
  if (fields == kStoredFields && start == line.size()) {
    table.set_cell(kColState, row, kUnselected);
    ++context.reader.row_counter;
  }
}

}  // namespace

std::optional<std::string> read_device_line(DeviceContext& context, const std::string& line) {
  Device& device = context.device;
  if (line.find(kFieldSeparator) != std::string::npos) {
    read_row_line(context, line);
    return std::nullopt;
  }
  const char first = line.empty() ? '\0' : line[0];
  if (first == kHardwareMarker) {
    const std::string name = line.substr(1);
    const auto& types = context.session.settings.hardware_types;
    if (std::find(types.begin(), types.end(), name) != types.end()) {
      device.hardware_type = name;
      context.reader.hardware_type_found = true;
    }
  } else if (first == kModeMarker) {
    try {
      context.session.programming_mode = app::to_integer(line.substr(1));
    } catch (const std::exception& e) {
      return std::string(e.what());
    }
  } else if (first == kFunctionMarker) {
    device.function_file = line.substr(1);
  } else if (first == '+') {
    device.unit_number = line;
  } else if (line.size() == 4) {
    device.password = line;
  } else if (line.size() > 4 && line.find('+') == std::string::npos) {
    device.description = line.substr(5);
  }
  return std::nullopt;
}

void read_device_lines(DeviceContext& context, const std::vector<std::string>& lines) {
  std::vector<std::string> errors;
  {
    platform::GridUpdate update(context.table);
    for (const auto& line : lines)
      if (auto error = read_device_line(context, line)) errors.push_back(std::move(*error));
  }
  for (const auto& error : errors) context.session.ui.message(error);
}

std::string stored_unit_number(const std::string& unit_number) {
  return unit_number.find('+') == std::string::npos ? "+" + unit_number : unit_number;
}

std::vector<std::string> device_file_lines(const Device& device, int programming_mode,
                                           const platform::StringGrid& table) {
  std::vector<std::string> lines;
  lines.reserve(data_rows(table) + 7);
  for (int r = 1; r < table.row_count(); ++r) {
    std::string line;
    for (int c = 0; c < kColState; ++c) {
      line += stored_text(table.cell(c, r));
      line += kFieldSeparator;
    }
    lines.push_back(std::move(line));
  }
  lines.push_back(stored_text(stored_unit_number(device.unit_number)));
  lines.push_back(stored_text(device.password.empty() ? kDefaultPassword : device.password));
  lines.push_back(kDescriptionPrefix + stored_text(device.description));
  lines.push_back(std::string(1, kHardwareMarker) + stored_text(device.hardware_type.value_or("")));
  lines.push_back(std::string(1, kModeMarker) + std::to_string(programming_mode));
  if (!device.function_file.empty())
    lines.push_back(std::string(1, kFunctionMarker) + stored_text(device.function_file));
  lines.emplace_back();
  return lines;
}

}  // namespace tarvex::device
