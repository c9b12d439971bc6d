#pragma once

#include <string>

namespace tarvex::app {

// The folder a folder setting (setup.txt) names. A relative value is taken
// from the start-up folder, an absolute one as it stands; "\" separators of
// values written on Windows are read as separators. An empty setting stays
// empty, so that callers can refuse it instead of falling back on the start-up
// folder.
std::string resolve_folder(const std::string& start_folder, const std::string& value);

}  // namespace tarvex::app
