#include "device/device_files.h"

#include "app/event_log.h"
#include "app/folders.h"
#include "app/settings_files.h"
#include "platform/text_file.h"

namespace tarvex::device {

namespace {

constexpr const char* kUnableToLoadCommands = "Unable to load commands";

// Appends an event-log entry; a failure is reported and the operation goes on.
void log_event(app::Session& session, const std::string& event) {
  try {
    app::write_log(session, event);
  } catch (const std::exception& e) {
    session.ui.message(e.what());
  }
}

// Creates a folder with its parents; a failure is reported.
bool make_folder(app::Session& session, const std::string& folder) {
  try {
    platform::create_folders(folder);
    return true;
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return false;
  }
}

std::optional<std::vector<std::string>> read_device_file(app::Session& session,
                                                         const std::string& path) {
  try {
    return platform::read_lines(path, kMaxDeviceFileBytes);
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return std::nullopt;
  }
}

void empty_table(platform::StringGrid& table) {
  platform::GridUpdate update(table);
  table.clear_rows(1, table.row_count() - 1);
  table.set_row_count(2);
}

// The start of every opener: nothing read yet.
void start_reading(DeviceContext& context) {
  context.device.description.clear();
  context.reader.row_counter = 1;
  context.reader.hardware_type_found = false;
  context.device.function_file.clear();
  context.session.programming_mode = 0;
}

// A file without a mode, or with mode 0, is taken as standard mode.
bool default_the_mode(app::Session& session) {
  if (session.programming_mode != 0) return false;
  session.programming_mode = 1;
  return true;
}

// The messages after an open, shown over the opened device.
void tell_what_was_missing(DeviceContext& context, bool mode_defaulted) {
  if (mode_defaulted) context.session.ui.message(kNoModeMessage);
  if (!context.reader.hardware_type_found) context.session.ui.message(kNoHardwareMessage);
}

}  // namespace

namespace {
// Device and function files fall back on the start-up folder when their
// folder setting is empty.
std::string folder_or_start(const app::Session& session, const std::string& value) {
  return value.empty() ? session.start_folder : app::resolve_folder(session.start_folder, value);
}
}  // namespace

std::string device_folder(const app::Session& session) {
  return folder_or_start(session, session.settings.device_folder);
}

std::string function_folder(const app::Session& session) {
  return folder_or_start(session, session.settings.function_folder);
}

std::string function_file_path(const app::Session& session, const std::string& function_file) {
  if (app::is_absolute_path(function_file)) return platform::to_native_path(function_file);
  return platform::join_path(function_folder(session), platform::to_native_path(function_file));
}

std::string device_caption(const app::Session& session, const std::string& path) {
  return session.base_caption + "  " + app::path_below(device_folder(session), path);
}

HistoryMenu update_history(app::Session& session, const std::string& path) {
  const std::string file = session.start_file(app::kHistoryFile);
  std::string old[4];
  try {
    platform::LineReader reader = platform::LineReader::from_file(file);
    for (auto& line : old) line = reader.read_line();
  } catch (const std::exception& e) {
    // No list yet: the opened file starts it. A list that is there but can
    // not be read is not replaced by one of a single entry.
    if (platform::file_exists(file)) {
      session.ui.message(e.what());
      return HistoryMenu{};
    }
  }
  if (path.find_first_of("\r\n") != std::string::npos) {
    // One entry per line: such a name would shift the others, so it is not kept.
    return HistoryMenu{};
  }
  std::vector<std::string> lines{path};
  HistoryMenu menu;
  menu[0] = path;
  for (int k = 0; k < 3; ++k) {
    if (old[k].empty()) continue;
    lines.push_back(old[k]);
    menu[k + 1] = old[k];
  }
  try {
    platform::write_lines(file, lines);
  } catch (const std::exception& e) {
    session.ui.message(e.what());
  }
  return menu;
}

bool confirm_discard(platform::Ui& ui, bool changed, const std::function<void()>& save) {
  if (!changed) return true;
  switch (ui.question(kUnsavedChangesQuestion, true)) {
    case platform::Answer::Yes:
      save();
      return false;
    case platform::Answer::No:
      return true;
    case platform::Answer::Cancel:
      return false;
  }
  return false;
}

bool confirm_discard_changes(DeviceContext& context) {
  return confirm_discard(context.session.ui, context.device.modified,
                         [&context] { save_device(context, DeviceFileKind::Device); });
}

std::optional<SaveResult> save_device(DeviceContext& context, DeviceFileKind kind) {
  app::Session& session = context.session;
  Device& device = context.device;
  if (device.password.empty()) session.ui.message(kNoPasswordMessage);
  if (!device.hardware_type) session.ui.message(kNoHardwareSavedMessage);

  if (device.function_file.empty()) {
    const std::string folder = function_folder(session);
    if (!make_folder(session, folder)) return std::nullopt;
    platform::FileDialogRequest request;
    request.title = kFunctionFileTitle;
    request.folder = folder;
    if (auto picked = session.ui.open_file(request))
      device.function_file = app::path_below(folder, *picked);
  }

  const std::string folder = device_folder(session);
  if (!make_folder(session, folder)) return std::nullopt;
  platform::FileDialogRequest request;
  request.folder = folder;
  request.filter = kDeviceFileFilter;
  request.filter_index = kind == DeviceFileKind::Device ? 1 : 2;
  request.default_ext = kind == DeviceFileKind::Device ? "dev" : "dft";
  request.proposed_name = stored_unit_number(device.unit_number);
  auto chosen = session.ui.save_file(request);
  if (!chosen) return std::nullopt;

  try {
    platform::write_lines(*chosen,
                          device_file_lines(device, session.programming_mode, context.table));
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return std::nullopt;
  }
  device.modified = false;
  SaveResult result{*chosen, device_caption(session, *chosen)};
  log_event(session, "Saving File: " + *chosen);
  if (context.saved) context.saved(result);
  return result;
}

bool new_device(DeviceContext& context) {
  if (!confirm_discard_changes(context)) return false;
  {
    platform::GridUpdate update(context.table);
    empty_table(context.table);
    context.table.set_cell(kColState, 1, kUnselected);
  }
  context.device.unit_number = kDefaultUnitNumber;
  context.device.description.clear();
  context.device.password = kDefaultPassword;
  context.device.modified = false;
  return true;
}

OpenResult open_device(DeviceContext& context, DeviceFileKind kind) {
  OpenResult result;
  app::Session& session = context.session;
  if (!confirm_discard_changes(context)) return result;
  const std::string folder = device_folder(session);
  if (!make_folder(session, folder)) return result;
  platform::FileDialogRequest request;
  request.folder = folder;
  request.filter = kOpenDeviceFilter;
  request.filter_index = kind == DeviceFileKind::Device ? 1 : 2;
  request.default_ext = kind == DeviceFileKind::Device ? "dev" : "dft";
  auto chosen = session.ui.open_file(request);
  if (!chosen) {
    // Open Default rebuilds the command list even when cancelled.
    result.reload_commands = kind == DeviceFileKind::Default;
    return result;
  }
  // Read before anything changes, so an unreadable file leaves the device as
  // it was.
  auto lines = read_device_file(session, *chosen);
  if (!lines) return result;

  start_reading(context);
  {
    platform::GridUpdate update(context.table);
    empty_table(context.table);
    read_device_lines(context, *lines);
  }
  const bool mode_defaulted = default_the_mode(session);
  context.device.modified = false;
  log_event(session, "Opening File: " + *chosen);
  result.path = *chosen;
  result.caption = device_caption(session, *chosen);
  result.history = update_history(session, *chosen);
  result.opened = true;
  result.reload_commands = true;
  if (context.opened) context.opened(result);
  tell_what_was_missing(context, mode_defaulted);
  return result;
}

bool open_history_entry(DeviceContext& context, const std::string& path) {
  app::Session& session = context.session;
  if (!confirm_discard_changes(context)) return false;
  auto lines = read_device_file(session, path);
  if (!lines) return false;
  start_reading(context);
  read_device_lines(context, *lines);
  const bool mode_defaulted = default_the_mode(session);
  context.device.modified = false;
  log_event(session, "Opening File: " + path);
  if (context.opened) {
    OpenResult shown;
    shown.opened = true;
    shown.path = path;
    context.opened(shown);
  }
  tell_what_was_missing(context, mode_defaulted);
  return true;
}

CommandListStyle open_device_commands() {
  const std::string heading = "Description" + std::string(53, ' ');
  return {150, heading, heading, true};
}

CommandListStyle open_default_commands() {
  return {100, "Description" + std::string(79, ' '), "Description", false};
}

CommandList load_command_list(DeviceContext& context, const CommandListStyle& style) {
  CommandList list;
  list.heading = style.heading;
  if (context.device.function_file.empty()) return list;
  try {
    list.entries = parse_functions(
        platform::read_lines(function_file_path(context.session, context.device.function_file)));
  } catch (const std::exception&) {
    context.session.ui.message(kUnableToLoadCommands);
    list.heading = style.failure_heading;
    list.entries.clear();
    list.blank_row = true;
    context.device.function_file.clear();
  }
  return list;
}

}  // namespace tarvex::device
