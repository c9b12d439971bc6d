#include <QApplication>

#include "platform/file_api.h"
#include "qt/qt_scheduler.h"
#include "qt/qt_ui.h"
#include "shell/main_window.h"
#include "shell/windows.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The application's title. Only the name: a display name would be appended
  // to every window caption ("Dralmora Login - Tarvex Programmer").
  QApplication::setApplicationName("Tarvex Programmer");

  tarvex::qt::QtUi ui;
  tarvex::qt::QtScheduler scheduler;
  // The start-up folder is the current folder, wherever the program lies.
  const std::string start_folder = tarvex::platform::current_folder();

  tarvex::shell::TForm1 main_window(ui, scheduler, start_folder);
  ui.set_main_window(&main_window);
  tarvex::shell::create_other_windows(main_window, ui);
  main_window.run_login_gate();
  // "Exit" in the login dialog closed the main window before the event loop
  // ran, when closing the last window cannot end it yet.
  if (!main_window.isVisible()) return 0;
  return app.exec();
}
