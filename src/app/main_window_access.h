#pragma once

#include <functional>
#include <string>

#include "app/session.h"
#include "platform/string_grid.h"

namespace tarvex::app {

// What the other windows may read from, or ask of, the main window. The main
// window implements it and hands it to every window it creates, so that no
// window depends on the main window itself.
class MainWindowAccess {
 public:
  MainWindowAccess() = default;
  MainWindowAccess(const MainWindowAccess&) = delete;
  MainWindowAccess& operator=(const MainWindowAccess&) = delete;

  virtual Session& session() = 0;
  platform::Ui& ui() { return session().ui; }

  // The unit number and password as the main window's boxes hold them.
  virtual std::string unit_number() const = 0;
  virtual std::string unit_password() const = 0;
  // The received messages (StringGrid2).
  virtual platform::StringGrid& incoming_grid() = 0;

  // Appends an event-log entry; a failure is reported to the operator.
  // Returns whether the entry was written.
  virtual bool write_log(const std::string& event) = 0;

  // Shows the main window's menu entry of that component name ("FindDevice1")
  // for a window that serves it; `chosen`, when given, runs on every choice.
  virtual void show_menu_entry(const std::string& name, std::function<void()> chosen = {}) = 0;

  // The main window after a login: shown if it was hidden.
  virtual void show_main_window() = 0;
  // Closing the main window ends the program; false when the operator kept
  // it open (unsaved changes).
  virtual bool close_main_window() = 0;

  // Reads a device file that a window found into the current device and
  // shows it. Returns whether the file could be read (a failure is reported).
  virtual bool open_found_device(const std::string& path) = 0;

  // Set by the windows that show a Setup value beside their own controls;
  // called when "Log File" or "Functions Path" changes.
  std::function<void(const std::string&)> on_log_file_changed;
  std::function<void(const std::string&)> on_function_folder_changed;

 protected:
  ~MainWindowAccess() = default;
};

}  // namespace tarvex::app
