#pragma once

#include <array>
#include <string>
#include <vector>

#include "platform/scheduler.h"
#include "platform/text_file.h"
#include "platform/ui.h"

namespace tarvex::app {

// Values read from the settings files of the start-up folder.
struct Settings {
  std::string programming_folder;  // setup.txt line 1
  std::string device_folder;       // line 2
  std::string incoming_folder;     // line 3
  std::string modem_engine;        // line 4
  std::string unit_log_file;       // line 5
  std::string function_folder;     // line 6
  int com_port = 1;                // line 7 (1 = COM1)
  // Widths of maingrid1 columns 0..4 read from lines 8..12 (as many as present).
  std::vector<int> column_widths;
  // How many of lines 1..7 were read at start-up; a Setup entry shows its
  // value in its caption only once its line was read.
  int setup_lines_read = 0;

  // Config.ini lines 1..4, used exactly as read.
  std::string standard_prefix;
  std::string standard_suffix;
  std::string alternative_prefix;
  std::string alternative_suffix;

  std::vector<std::string> hardware_types;  // Hardware.ini, every line
  // History.ini lines 1..4: line n is recent-file entry n; an empty line
  // leaves its entry hidden.
  std::array<std::string, 4> history;
};

// Program-wide state, owned by the main window and handed by reference to
// everything that needs it. Nothing else in the program is global.
struct Session {
  Session(platform::Ui& ui_, platform::Scheduler& scheduler_, std::string start_folder_)
      : ui(ui_), scheduler(scheduler_), start_folder(std::move(start_folder_)) {}

  platform::Ui& ui;
  platform::Scheduler& scheduler;

  // The current folder when the program started; never changed.
  const std::string start_folder;
  Settings settings;

  // 0 none chosen yet, 1 standard ("Tarvex Mode"), 2 alternative.
  int programming_mode = 0;
  std::string current_operator;
  std::string base_caption;
  bool scroll_to_newest = true;
  // Handed to the Send Message window, which takes and clears them.
  std::string preset_number;
  std::string preset_text;
  // A device file loaded by the device link or the Find Device window.
  std::string found_device_path;
  // The text of the "Text Insert" window, offered again at the next
  // spreadsheet export of the control panel.
  std::string text_insert;

  // A file in the start-up folder.
  std::string start_file(const std::string& name) const {
    return platform::join_path(start_folder, name);
  }
};

}  // namespace tarvex::app
