#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/session.h"

namespace tarvex::app {

inline constexpr const char* kSetupFile = "setup.txt";
inline constexpr const char* kConfigFile = "Config.ini";
inline constexpr const char* kHistoryFile = "History.ini";
inline constexpr const char* kHardwareFile = "Hardware.ini";
inline constexpr int kSetupLines = 12;

// Design widths of maingrid1 columns 0..4, used when setup.txt holds none.
inline constexpr int kDesignColumnWidths[5] = {167, 107, 137, 107, 236};

// Reads setup.txt, Hardware.ini, History.ini and Config.ini from the start-up
// folder into settings, in that order. The first file that is missing or
// unreadable, or a line 7 or width line that is not a decimal integer, stops
// the reading; its error text is returned and what was read so far stays.
std::optional<std::string> load_settings_files(const std::string& start_folder, Settings& settings);

// Strict decimal conversion; the error text is the one shown to the operator.
int to_integer(const std::string& text);

// Replaces one line (1..12) of setup.txt and writes the file back with 12
// lines; a missing line reads as empty text. Throws platform::FileError.
void rewrite_setup_line(const std::string& start_folder, int line, const std::string& value);

// Keeps lines 1..7 of setup.txt and writes the five widths after them.
void save_form_settings(const std::string& start_folder, const std::vector<int>& widths);

// Captions of the Setup menu entries at start-up.
std::string programming_dir_caption(const std::string& value);
std::string device_dir_caption(const std::string& value);
std::string incoming_dir_caption(const std::string& value);
std::string modem_engine_caption(const std::string& value);
std::string log_file_caption(const std::string& value);
std::string function_dir_caption(const std::string& value);
std::string com_port_caption(int port);

// "Open Modem Engine Application" for an engine that did not start.
std::string modem_engine_not_started(const std::string& engine, const std::string& reason);

// The operator-chosen settings that a Setup entry of the main window changes.
enum class SetupEntry {
  ProgrammerPath,
  DevicePath,
  IncomingPath,
  ModemEngine,
  LogFile,
  FunctionsPath
};

struct SetupChange {
  std::string caption;  // the entry's caption after the change
  std::string value;    // the chosen value
  bool stored = false;  // setup.txt was rewritten and the setting changed
};

// Asks for the entry's new value, rewrites setup.txt and stores the setting.
// Returns nothing when the operator cancelled. A failed rewrite is reported
// through the Ui; the caption still changes, the setting keeps its old value.
std::optional<SetupChange> change_setting(Session& session, SetupEntry entry);

}  // namespace tarvex::app
