// The main window's entries that open the sending windows: "Send Message",
// "Send Bulk Messages" and "Control Panel", in the "Options" menu and in the
// tray's menu.
#include <QAction>

#include "shell/main_window.h"

namespace tarvex::shell {

void TForm1::connect_messaging_entries() {
  const std::pair<const char*, const char*> entries[] = {
      {"SendMessage1", "TForm3"},     {"SendMessage2", "TForm3"},  {"SendBulkMessages1", "TForm4"},
      {"SendBulkMessage2", "TForm4"}, {"ControlPanel1", "TForm8"}, {"ControlPanel2", "TForm8"},
  };
  for (const auto& [name, window] : entries) {
    QAction* entry = action(name);
    entry->setVisible(true);
    const std::string shown = window;
    connect(entry, &QAction::triggered, this, [this, shown] { session_.ui.show_modal(shown); });
  }
}

}  // namespace tarvex::shell
