#include "eeprom/com_port_setup.h"

#include "app/session.h"
#include "app/settings_files.h"

namespace tarvex::eeprom {

int radio_button_for_port(int port) {
  return port >= kFirstComPort && port <= kLastComPort ? port : 0;
}

int port_after_apply(int marked_button, int stored_port) {
  return radio_button_for_port(marked_button) != 0 ? marked_button : stored_port;
}

std::string store_com_port(app::Session& session) {
  const int port = session.settings.com_port;
  try {
    app::rewrite_setup_line(session.start_folder, 7, std::to_string(port));
  } catch (const std::exception& e) {
    session.ui.message(e.what());
  }
  return app::com_port_caption(port);
}

}  // namespace tarvex::eeprom
