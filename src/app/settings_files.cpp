#include "app/settings_files.h"

#include <cerrno>
#include <cstdlib>

namespace tarvex::app {

using platform::LineReader;

int to_integer(const std::string& text) {
  // Decimal digits with an optional sign, nothing else, within int range.
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  bool digits = i < text.size();
  for (std::size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') digits = false;
  errno = 0;
  const long value = digits ? std::strtol(text.c_str(), nullptr, 10) : 0;
  if (!digits || errno == ERANGE || value < INT32_MIN || value > INT32_MAX)
    throw std::invalid_argument("'" + text + "' is not a valid integer value");
  return static_cast<int>(value);
}

std::optional<std::string> load_settings_files(const std::string& start_folder,
                                               Settings& settings) {
  auto file = [&](const char* name) { return platform::join_path(start_folder, name); };
  try {
    settings.setup_lines_read = 0;
    LineReader setup = LineReader::from_file(file(kSetupFile));
    for (std::string* value :
         {&settings.programming_folder, &settings.device_folder, &settings.incoming_folder,
          &settings.modem_engine, &settings.unit_log_file, &settings.function_folder}) {
      *value = setup.read_line();
      ++settings.setup_lines_read;
    }
    settings.com_port = to_integer(setup.read_line());
    ++settings.setup_lines_read;
    settings.column_widths.clear();
    for (int col = 0; col < 5 && !setup.eof(); ++col) {
      // A Setup change on a seven-line file writes lines 8 to 12 empty; such
      // a line keeps the design width instead of stopping the start-up.
      const std::string line = setup.read_line();
      settings.column_widths.push_back(line.empty() ? kDesignColumnWidths[col] : to_integer(line));
    }

    settings.hardware_types = platform::read_lines(file(kHardwareFile));

    LineReader history = LineReader::from_file(file(kHistoryFile));
    for (auto& line : settings.history) line = history.read_line();

    LineReader config = LineReader::from_file(file(kConfigFile));
    settings.standard_prefix = config.read_line();
    settings.standard_suffix = config.read_line();
    settings.alternative_prefix = config.read_line();
    settings.alternative_suffix = config.read_line();
  } catch (const std::exception& e) {
    return std::string(e.what());
  }
  return std::nullopt;
}

namespace {
std::vector<std::string> setup_lines(const std::string& path, int count) {
  LineReader reader = LineReader::from_file(path);
  std::vector<std::string> lines;
  for (int i = 0; i < count; ++i) lines.push_back(reader.read_line());
  return lines;
}
}  // namespace

void rewrite_setup_line(const std::string& start_folder, int line, const std::string& value) {
  const std::string path = platform::join_path(start_folder, kSetupFile);
  // A line end inside a chosen name would move every later setting a line down.
  if (value.find_first_of("\r\n") != std::string::npos)
    throw platform::FileError("The name \"" + value +
                              "\" holds a line break and can not be stored in \"" + path + "\".");
  std::vector<std::string> lines = setup_lines(path, kSetupLines);
  if (line >= 1 && line <= kSetupLines) lines[line - 1] = value;
  platform::write_lines(path, lines);
}

void save_form_settings(const std::string& start_folder, const std::vector<int>& widths) {
  const std::string path = platform::join_path(start_folder, kSetupFile);
  std::vector<std::string> lines = setup_lines(path, 7);
  for (int col = 0; col < 5; ++col)
    lines.push_back(std::to_string(col < static_cast<int>(widths.size()) ? widths[col] : 0));
  platform::write_lines(path, lines);
}

std::string programming_dir_caption(const std::string& v) {
  return "Programming Dir: " + v;
}
std::string device_dir_caption(const std::string& v) {
  return "Device Dir: " + v;
}
std::string incoming_dir_caption(const std::string& v) {
  return "Incomming Messages Dir: " + v;
}
std::string modem_engine_caption(const std::string& v) {
  return "Modem Engine App: " + v;
}
std::string modem_engine_not_started(const std::string& engine, const std::string& reason) {
  return "The Modem Engine Application could not be started:\r\n" + engine + "\r\n" + reason;
}
std::string log_file_caption(const std::string& v) {
  return "Log File: " + v;
}
std::string function_dir_caption(const std::string& v) {
  return "Function Dir: " + v;
}
std::string com_port_caption(int port) {
  return "EEPROM Prog Com Port: Com" + std::to_string(port);
}

std::optional<SetupChange> change_setting(Session& session, SetupEntry entry) {
  struct Rule {
    int line;
    bool folder;
    const char* title_or_filter;
    const char* caption_prefix;
    std::string Settings::*value;
  };
  static const Rule rules[] = {
      {1, true, "Programmer Directory", "Programming Dir: ", &Settings::programming_folder},
      {2, true, "Device Directory", "Device Dir: ", &Settings::device_folder},
      {3, true,
       "Incomming Messages Dir:", "Incomming Messages Directory: ", &Settings::incoming_folder},
      {4, false, "Executible Files|*.exe", "Modem Engine App: ", &Settings::modem_engine},
      {5, false, "Messages File|*.msg", "Log File: ", &Settings::unit_log_file},
      {6, true, "Functions Directory", "Function Dir: ", &Settings::function_folder},
  };
  const Rule& rule = rules[static_cast<int>(entry)];
  std::string& setting = session.settings.*rule.value;

  std::optional<std::string> chosen;
  if (rule.folder) {
    chosen = session.ui.pick_folder(rule.title_or_filter, setting);
  } else {
    platform::FileDialogRequest request;
    request.folder = session.start_folder;
    request.filter = rule.title_or_filter;
    chosen = session.ui.open_file(request);
  }
  if (!chosen) return std::nullopt;

  SetupChange change;
  change.value = *chosen;
  change.caption = rule.caption_prefix + *chosen;
  try {
    rewrite_setup_line(session.start_folder, rule.line, *chosen);
    setting = *chosen;
    change.stored = true;
  } catch (const std::exception& e) {
    session.ui.message(e.what());
  }
  return change;
}

}  // namespace tarvex::app
