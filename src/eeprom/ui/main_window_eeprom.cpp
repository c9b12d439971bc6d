// The main window's entries for EEPROM templates and the programmer's port.
#include <QAction>

#include "app/ui/main_window.h"
#include "eeprom/com_port_setup.h"

namespace tarvex::app {

void TForm1::connect_eeprom_entries() {
  QAction* map_file = action("CreateEEPROMMapFile1");
  map_file->setVisible(true);
  connect(map_file, &QAction::triggered, this, &TForm1::CreateEEPROMMapFile1Click);
  QAction* com_port = action("SetupEepromProgrammerInbox1");
  com_port->setVisible(true);
  connect(com_port, &QAction::triggered, this, &TForm1::SetupEepromProgrammerInbox1Click);
}

void TForm1::CreateEEPROMMapFile1Click() {
  session_.ui.show_modal("TForm23");
}

void TForm1::SetupEepromProgrammerInbox1Click() {
  with_poll_paused([this] {
    if (!session_.ui.show_modal("TForm17")) return;
    set_setup_caption("SetupEepromProgrammerInbox1", eeprom::store_com_port(session_));
  });
}

}  // namespace tarvex::app
