#include "shell/windows.h"

#include <QAction>

#include "app/ui/about_window.h"
#include "app/ui/administrator_login_windows.h"
#include "app/ui/login_window.h"
#include "app/ui/user_log_window.h"
#include "app/ui/user_setup_window.h"
#include "device/ui/exclude_selection_window.h"
#include "device/ui/zone_selection_window.h"
#include "eeprom/com_port_setup.h"
#include "eeprom/ui/com_port_window.h"
#include "eeprom/ui/map_file_window.h"
#include "eeprom/ui/programmer_window.h"
#include "eeprom/ui/read_progress_window.h"
#include "export/ui/manual_window.h"
#include "export/ui/text_insert_window.h"
#include "incoming/ui/find_device_window.h"
#include "incoming/ui/find_received_window.h"
#include "incoming/ui/unit_log_window.h"
#include "outbound/ui/bulk_messages_window.h"
#include "outbound/ui/control_panel_window.h"
#include "outbound/ui/email_account_window.h"
#include "outbound/ui/email_security_window.h"
#include "outbound/ui/send_message_window.h"
#include "qt/qt_ui.h"
#include "shell/main_window.h"

namespace tarvex::shell {

void create_com_port_setup(TForm1& main_window, qt::QtUi& ui) {
  ui.register_window("TForm17", new eeprom::TForm17(main_window, &main_window));
  if (eeprom::radio_button_for_port(main_window.session().settings.com_port) == 0)
    main_window.SetupEepromProgrammerInbox1Click();
}

void create_other_windows(TForm1& main_window, qt::QtUi& ui) {
  // Start-up order: TForm2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 14, 15, 16, 17,
  // 18, 19, 20, 21, 22, 23. Each window is parented to the main window and
  // lives until the program ends.
  auto& main = static_cast<app::MainWindowAccess&>(main_window);
  QWidget* parent = &main_window;
  ui.register_window("TForm2", new incoming::TForm2(main, parent));
  ui.register_window("TForm3", new outbound::TForm3(main, main_window.email(), parent));
  ui.register_window("TForm4", new outbound::TForm4(main, parent));
  ui.register_window("TForm5", new incoming::TForm5(main, parent));
  ui.register_window("TForm6", new incoming::TForm6(main, parent));
  ui.register_window("TForm8", new outbound::TForm8(main, main_window.email(), parent));
  ui.register_window("TForm7", new app::TForm7(main, parent));
  ui.register_window("TForm9", new app::TForm9(main, parent));
  ui.register_window("TForm10", new app::TForm10(main, parent));
  ui.register_window("TForm11", new exporting::TForm11(main_window.session(), parent));
  ui.register_window("TForm12", new app::TForm12(parent));
  ui.register_window("TForm14", new device::TForm14(main_window.maingrid(), parent));
  // The manual is shown beside the main window, not modally.
  auto* manual = new exporting::TForm15(main_window.session(), parent);
  ui.register_window("TForm15", manual);
  QObject::connect(main_window.action("ViewKVProgrammerManual1"), &QAction::triggered, manual,
                   &exporting::TForm15::show_manual);
  ui.register_window("TForm16", new device::TForm16(main_window.zone_selection(), parent));
  create_com_port_setup(main_window, ui);  // TForm17
  ui.register_window("TForm18", new app::TForm18(main, parent));
  ui.register_window("TForm19", new app::TForm19(main, parent));
  main_window.eeprom_programmer = new eeprom::TForm20(main, parent);
  ui.register_window("TForm20", main_window.eeprom_programmer);
  ui.register_window("TForm21", new outbound::TForm21(main_window.email(), parent));
  main_window.read_progress =
      new eeprom::TForm22(main, main_window.eeprom_programmer->run().Uart1(), parent);
  ui.register_window("TForm22", main_window.read_progress);
  ui.register_window("EmailSecurityWindow",
                     new outbound::EmailSecurityWindow(main_window.email(), parent));
  ui.register_window("TForm23", new eeprom::TForm23(main, parent));
}

}  // namespace tarvex::shell
