#include "export/manual.h"

#include <exception>

#include "export/rtf_reader.h"
#include "platform/text_file.h"

namespace tarvex::exporting {

std::string manual_path(const app::Session& session) {
  return session.start_file(kManualFile);
}

bool manual_available(const app::Session& session) {
  return platform::file_exists(manual_path(session));
}

std::optional<std::string> load_manual(app::Session& session) {
  try {
    return rtf_to_html(platform::read_file(manual_path(session)));
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return std::nullopt;
  }
}

}  // namespace tarvex::exporting
