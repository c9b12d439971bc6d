// Renders what an operator sees into PNG files for the README: the program is
// put together as main() does it, on a copy of the demo folder, offscreen and
// on virtual time. Windows this build does not have are skipped and named, so
// the command can simply be run again when they arrive.
//
//   tarvex-readme-pictures <demo folder> <output folder>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPixmap>
#include <QTimer>

#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "qt/qt_ui.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"
#include "shell/windows.h"

namespace fs = std::filesystem;
using namespace tarvex;

namespace {

constexpr const char* kUnit = "+27821234567";

struct Pictures {
  qt::QtUi& ui;
  platform::VirtualScheduler& scheduler;
  shell::TForm1& main;
  fs::path out;
  int made = 0;
  int skipped = 0;

  void save(QWidget* widget, const std::string& name) {
    QApplication::processEvents();
    const fs::path file = out / name;
    if (widget->grab().save(qt::path_text(file.string()), "PNG")) {
      std::printf("made     %s\n", file.string().c_str());
      ++made;
    } else {
      std::printf("FAILED   %s (cannot write)\n", file.string().c_str());
    }
  }

  void skip(const std::string& name, const std::string& why) {
    std::printf("skipped  %s: %s\n", name.c_str(), why.c_str());
    ++skipped;
  }

  // Triggers a menu entry that shows a window modally, lets virtual time run
  // while it is open, grabs it, and closes it. Message boxes that come up on
  // the way are closed; nothing here ever waits for an operator.
  void modal(const char* entry, const char* window_name, int steps, int step_ms,
             const std::string& name) {
    QAction* action = main.action(entry);
    QDialog* target = ui.window(window_name);
    if (!target || !action || !action->isVisible()) {
      skip(name, std::string(window_name) + " is not part of this build");
      return;
    }
    bool grabbed = false;
    int ticks = 0;
    QTimer watcher;
    QObject::connect(&watcher, &QTimer::timeout, [&] {
      QWidget* open = QApplication::activeModalWidget();
      ++ticks;
      if (open && open == target) {
        if (ticks <= steps) {
          scheduler.advance(step_ms);
          return;
        }
        if (!grabbed) save(target, name);
        grabbed = true;
        target->reject();
      } else if (open) {
        open->close();
      }
      if (ticks > steps + 500) watcher.stop();  // a window that will not close
    });
    watcher.start(20);
    action->trigger();
    watcher.stop();
    if (!grabbed) skip(name, std::string(window_name) + " did not open from \"" + entry + "\"");
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  QApplication::setApplicationName("Tarvex Programmer");
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s <demo folder> <output folder>\n", argv[0]);
    return 2;
  }
  const fs::path demo = fs::absolute(argv[1]);
  const fs::path out = fs::absolute(argv[2]);
  fs::create_directories(out);
  // Work on a copy: the pictures must not change the demo folder.
  const fs::path site = fs::temp_directory_path() / ("tarvex-pictures-" + std::to_string(getpid()));
  fs::remove_all(site);
  fs::copy(demo, site, fs::copy_options::recursive);
  fs::current_path(site);

  qt::QtUi ui;
  platform::VirtualScheduler scheduler;
  scheduler.set_start_time(2026, 12, 8, 9, 30, 0);
  shell::TForm1 main(ui, scheduler, site.string());
  ui.set_main_window(&main);
  shell::create_other_windows(main, ui);
  main.session().current_operator = "admin";
  main.setWindowState(Qt::WindowNoState);
  main.resize(1280, 720);
  main.show();

  Pictures pictures{ui, scheduler, main, out};

  // The main window with a demo device open and a few rows marked.
  main.read_device_file((site / "Devices" / (std::string(kUnit) + ".dev")).string());
  for (int row = 2; row <= 4 && row < main.maingrid().row_count(); ++row)
    main.maingrid().set_cell(5, row, "Selected");
  scheduler.advance(200);  // column fitting
  pictures.save(&main, "main-window.png");

  // Replies of the units, as the modem engine leaves them, read by the poll.
  const std::string inbox = main.session().settings.incoming_folder;
  platform::create_folders(inbox);
  platform::write_lines(
      platform::join_path(inbox, "replies.txt"),
      {std::string(kUnit) + ",engine,2026/12/08 09:31:04,OK, message 2 received",
       std::string(kUnit) + ",engine,2026/12/08 09:31:05,ZN1=11110000 ZN2=00000010",
       "+27731112222,engine,2026/12/08 09:32:40,System armed by user 3"});
  scheduler.advance(2000);
  if (main.incoming_grid().cell(0, 1).empty())
    pictures.skip("incoming-messages.png", "incoming messages are not read in this build");
  else
    pictures.save(&main, "incoming-messages.png");

  // The EEPROM programmer during a run on the demo's simulated programmer.
  // The line-signalling model (COM2 in the demo's Ports.ini) paces itself
  // with the window's timers, so the picture catches it half way; the
  // acknowledging one finishes within a single timer event on virtual time.
  main.session().settings.com_port = 2;
  pictures.modal("ProgramandVerifywithEEPROMProgrammer1", "TForm20", 8, 250,
                 "eeprom-programmer.png");

  // The Send Message window, opened for the unit.
  main.session().preset_number = kUnit;
  main.session().preset_text = "STATUS";
  pictures.modal("SendMessage1", "TForm3", 2, 10, "send-message.png");

  main.close();
  fs::current_path(out);
  fs::remove_all(site);
  std::printf("%d made, %d skipped\n", pictures.made, pictures.skipped);
  return 0;
}
