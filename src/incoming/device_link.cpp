#include "incoming/device_link.h"

#include <exception>

#include "device/device_files.h"
#include "platform/text_file.h"

namespace tarvex::incoming {

std::optional<std::string> linked_device_path(const app::Session& session,
                                              const std::string& unit_number) {
  if (unit_number.empty() ||
      unit_number.find_first_of(std::string("/\\\r\n\0", 5)) != std::string::npos)
    return std::nullopt;
  if (unit_number.find("..") != std::string::npos) return std::nullopt;
  const std::string folder = device::device_folder(session);
  if (folder.empty()) return std::nullopt;
  return platform::join_path(folder, unit_number + ".dev");
}

namespace {

bool read_found_device(device::DeviceContext& context, const std::string& path,
                       bool clear_description) {
  std::vector<std::string> lines;
  try {
    lines = platform::read_lines(path);
  } catch (const std::exception& e) {
    context.session.ui.message(e.what());
    return false;
  }
  context.session.found_device_path = path;
  if (clear_description) context.device.description.clear();
  context.reader.row_counter = 1;
  device::read_device_lines(context, lines);
  return true;
}

}  // namespace

bool load_found_device(device::DeviceContext& context, const std::string& path) {
  return read_found_device(context, path, true);
}

bool load_linked_device(device::DeviceContext& context, const std::string& path) {
  return read_found_device(context, path, false);
}

bool link_device(device::DeviceContext& context, std::string unit_number,
                 const std::function<void()>& show_loaded) {
  const std::optional<std::string> path = linked_device_path(context.session, unit_number);
  if (!path || !platform::file_exists(*path)) return false;
  // The device folder holds the file, so it needs no creating here.
  if (!device::confirm_discard_changes(context)) return false;
  if (!load_linked_device(context, *path)) return false;
  context.device.modified = false;
  if (show_loaded) show_loaded();
  context.session.ui.message(unit_number + kDeviceLoaded);
  return true;
}

}  // namespace tarvex::incoming
