#pragma once

#include <functional>
#include <optional>
#include <string>

#include "device/device_file.h"

namespace tarvex::incoming {

inline constexpr const char* kDeviceLoaded = ".dev file was loaded";

// The device file named after a sender's unit number in the device folder.
// Nothing when the number could name a file elsewhere (a path separator,
// "..", a line end) or is empty: numbers in incoming files come from outside.
std::optional<std::string> linked_device_path(const app::Session& session,
                                              const std::string& unit_number);

// Reads a device file that a finding window chose into the current device:
// the description is emptied and the line reader starts at row 1; nothing
// else is reset. The path becomes the session's found-device path. A file
// that cannot be read is reported and changes nothing. Returns whether it
// was read.
bool load_found_device(device::DeviceContext& context, const std::string& path);
// The same read for the device link, which leaves the description as it is
// unless the file has one.
bool load_linked_device(device::DeviceContext& context, const std::string& path);

// The device link for a clicked unit number (Timer4Timer): when its device
// file exists, asks about unsaved changes ("Yes" saves and links nothing),
// loads it, lets show_loaded put it on screen and then says "<number>.dev
// file was loaded". Returns whether a device was loaded. The number is taken
// by value: the question runs the window's timers, which may change the grid
// it came from.
bool link_device(device::DeviceContext& context, std::string unit_number,
                 const std::function<void()>& show_loaded = {});

}  // namespace tarvex::incoming
