#pragma once

#include <optional>
#include <string>

#include "app/session.h"

namespace tarvex::exporting {

inline constexpr const char* kManualFile = "Manual.rtf";

// The manual in the start-up folder.
std::string manual_path(const app::Session& session);
bool manual_available(const app::Session& session);

// The manual as HTML for the read-only view. A missing or unreadable file is
// reported with the file error's text and gives nothing.
std::optional<std::string> load_manual(app::Session& session);

}  // namespace tarvex::exporting
