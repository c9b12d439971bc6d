#pragma once

#include <string>

namespace tarvex::app {
struct Session;
}

namespace tarvex::eeprom {

inline constexpr int kFirstComPort = 1;
inline constexpr int kLastComPort = 8;

// The radio button (1..8) that marks a stored port; 0 for none.
int radio_button_for_port(int port);

// "Apply": the marked button's port, or the stored one when none is marked.
int port_after_apply(int marked_button, int stored_port);

// After a confirmed "COM Port Setup": writes the port (already in effect in
// the session) to line 7 of setup.txt and returns the menu caption. A failed
// rewrite is reported through the Ui.
std::string store_com_port(app::Session& session);

}  // namespace tarvex::eeprom
