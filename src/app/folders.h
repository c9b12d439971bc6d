#pragma once

#include <string>

namespace tarvex::app {

// The folder a folder setting (setup.txt) names. A relative value ("Devices")
// is taken from the start-up folder, an absolute one as it stands; stored "\"
// separators are read as separators. An empty setting stays empty, so that a
// caller can refuse it or choose its own fallback.
std::string resolve_folder(const std::string& start_folder, const std::string& value);

// Whether a stored path is absolute ("/x", "\x", "C:\x", "C:/x").
bool is_absolute_path(const std::string& path);

// path without its leading folder and separator when it lies in folder;
// otherwise path unchanged.
std::string path_below(const std::string& folder, const std::string& path);

// Whether two folder paths name the same folder ("x/" and "x", or two paths to
// one existing folder).
bool same_folder(const std::string& a, const std::string& b);

}  // namespace tarvex::app
