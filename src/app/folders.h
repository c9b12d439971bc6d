#pragma once

#include <string>

#include "app/session.h"

namespace tarvex::app {

// A folder setting as a usable path. Settings may hold a path relative to the
// start-up folder ("Devices") or an absolute one; stored "\" separators are
// read as separators. An empty setting stands for the start-up folder.
std::string resolve_folder(const Session& session, const std::string& value);

// Whether a stored path is absolute ("/x", "\x", "C:\x", "C:/x").
bool is_absolute_path(const std::string& path);

// path without its leading folder and separator when it lies in folder;
// otherwise path unchanged.
std::string path_below(const std::string& folder, const std::string& path);

}  // namespace tarvex::app
