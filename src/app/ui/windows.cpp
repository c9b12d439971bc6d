#include "app/ui/windows.h"

#include "app/ui/about_window.h"
#include "app/ui/administrator_login_windows.h"
#include "app/ui/login_window.h"
#include "app/ui/main_window.h"
#include "app/ui/user_log_window.h"
#include "app/ui/user_setup_window.h"
#include "device/ui/exclude_selection_window.h"
#include "device/ui/zone_selection_window.h"
#include "eeprom/ui/com_port_window.h"
#include "eeprom/ui/map_file_window.h"
#include "outbound/ui/email_account_window.h"
#include "outbound/ui/email_security_window.h"
#include "qt/qt_ui.h"

namespace tarvex::app {

void create_other_windows(TForm1& main_window, qt::QtUi& ui) {
  // Start-up order: TForm2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 14, 15, 16, 17,
  // 18, 19, 20, 21, 22, 23. Each window is parented to the main window and
  // lives until the program ends.
  ui.register_window("TForm7", new TForm7(main_window));
  ui.register_window("TForm9", new TForm9(main_window));
  ui.register_window("TForm10", new TForm10(main_window));
  ui.register_window("TForm12", new TForm12(&main_window));
  ui.register_window("TForm14", new device::TForm14(main_window.maingrid(), &main_window));
  ui.register_window("TForm16", new device::TForm16(main_window.zone_selection(), &main_window));
  eeprom::create_com_port_setup(main_window, ui);  // TForm17
  ui.register_window("TForm18", new TForm18(main_window));
  ui.register_window("TForm19", new TForm19(main_window));
  ui.register_window("TForm21", new outbound::TForm21(main_window.email(), &main_window));
  ui.register_window("EmailSecurityWindow",
                     new outbound::EmailSecurityWindow(main_window.email(), &main_window));
  ui.register_window("TForm23", new eeprom::TForm23(main_window));
}

}  // namespace tarvex::app
