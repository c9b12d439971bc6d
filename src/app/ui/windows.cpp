#include "app/ui/windows.h"

#include "app/ui/about_window.h"
#include "app/ui/main_window.h"
#include "device/ui/exclude_selection_window.h"
#include "device/ui/zone_selection_window.h"
#include "qt/qt_ui.h"

namespace tarvex::app {

void create_other_windows(TForm1& main_window, qt::QtUi& ui) {
  // Start-up order: TForm2, 3, 4, 5, 6, 8, 7, 9, 10, 11, 12, 14, 15, 16, 17,
  // 18, 19, 20, 21, 22, 23. Each window is parented to the main window and
  // lives until the program ends.
  ui.register_window("TForm12", new TForm12(&main_window));
  ui.register_window("TForm14", new device::TForm14(main_window.maingrid(), &main_window));
  ui.register_window("TForm16", new device::TForm16(main_window.zone_selection(), &main_window));
}

}  // namespace tarvex::app
