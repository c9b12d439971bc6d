#include "app/ui/windows.h"

#include "app/ui/about_window.h"
#include "app/ui/main_window.h"
#include "eeprom/ui/com_port_window.h"
#include "eeprom/ui/map_file_window.h"
#include "qt/qt_ui.h"

namespace tarvex::app {

void create_other_windows(TForm1& main_window, qt::QtUi& ui) {
  // Start-up order: TForm2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 14, 15, 16, 17,
  // 18, 19, 20, 21, 22, 23. Each window is parented to the main window and
  // lives until the program ends.
  ui.register_window("TForm12", new TForm12(&main_window));
  eeprom::create_com_port_setup(main_window, ui);  // TForm17
  ui.register_window("TForm23", new eeprom::TForm23(main_window));
}

}  // namespace tarvex::app
