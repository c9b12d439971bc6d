#include "outbound/control_panel.h"

#include "app/folders.h"
#include "device/device_files.h"
#include "outbound/email_channel.h"
#include "outbound/list_file_dialogs.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

void reset_function_grid(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  grid.set_row_count(2);
  grid.set_cell(0, 0, "Function Description");
  grid.set_cell(1, 0, "Function Char");
  grid.clear_rows(1, 1);
}

std::vector<FunctionEntry> grid_functions(const platform::StringGrid& grid) {
  std::vector<FunctionEntry> functions;
  for (int row = 1; row < grid.row_count(); ++row)
    functions.push_back({grid.cell(0, row), grid.cell(1, row)});
  return functions;
}

void show_functions(platform::StringGrid& grid, const std::vector<FunctionEntry>& functions) {
  platform::GridUpdate update(grid);
  reset_function_grid(grid);
  grid.set_row_count(static_cast<int>(functions.size()) + 2);
  for (std::size_t i = 0; i < functions.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    grid.set_cell(0, row, functions[i].description);
    grid.set_cell(1, row, functions[i].command);
  }
}

void add_function_row(platform::StringGrid& grid) {
  grid.set_row_count(grid.row_count() + 1);
}

void remove_function_row(platform::StringGrid& grid) {
  if (grid.row_count() <= 2 || grid.row() < 1 || grid.row() >= grid.row_count()) return;
  grid.remove_row(grid.row());
}

namespace {
ListFileKind function_files(const app::Session& session) {
  return {device::function_folder(session), device::kFunctionFileFilter,
          device::kFunctionFileExtension};
}
}  // namespace

std::optional<FunctionFile> open_function_file(app::Session& session,
                                               const std::function<void(const std::string&)>& log) {
  const auto path = ask_open_path(session.ui, function_files(session));
  if (!path) return std::nullopt;
  FunctionFile file;
  try {
    file = device::read_function_file(*path);
  } catch (const platform::FileError& e) {
    session.ui.message(e.what());
    return std::nullopt;
  }
  if (log) log(kFunctionFileOpened + *path);
  return file;
}

bool save_function_file(app::Session& session, const FunctionFile& file) {
  if (auto problem = function_file_problem(file)) {
    session.ui.message(*problem + "\r\nThe function file was not saved.");
    return false;
  }
  const std::string text = function_file_text(file);
  const auto path = ask_save_path(session.ui, function_files(session));
  return path && write_reported(session.ui, *path, text);
}

std::optional<std::string> send_function(app::Session& session, EmailChannel& email,
                                         const FunctionSend& send, const TagSource& draw,
                                         const std::function<void(const std::string&)>& log) {
  platform::Ui& ui = session.ui;
  if (send.unit_number.size() < kMinUnitNumberLength) {
    ui.message(kInvalidUnitNumber);
    return std::nullopt;
  }
  if (send.password.size() < kMinPasswordLength) {
    ui.message(kInvalidPassword);
    return std::nullopt;
  }
  if (send.command.empty()) {
    ui.message(kNoTextToSend);
    return std::nullopt;
  }
  const std::string sent_to = "\" was send to " + send.unit_number;
  const std::string logged = "Function: " + send.command + " send to: " + send.unit_number;

  if (send.via_email) {
    if (!email.settings().complete()) {
      ui.message(kAccountIncomplete);
      return std::nullopt;
    }
    if (!email.check_connect()) return std::nullopt;
    const std::string payload = "#" + send.password + send.command;
    if (!email.send_email(email_subject(email.settings(), send.unit_number),
                          email_body(email.settings(), send.unit_number, {payload})))
      return std::nullopt;
    if (log) log(logged + " via email");
    return "\"$" + send.password + send.command + sent_to;
  }

  const app::Settings& s = session.settings;
  const std::string& prefix = send.alternative ? s.alternative_prefix : s.standard_prefix;
  try {
    write_command_file(app::resolve_folder(session.start_folder, s.programming_folder),
                       send.unit_number, prefix, send.password, send.command, draw);
  } catch (const OutboxError& e) {
    ui.message(e.what());
    return std::nullopt;
  }
  if (log) log(logged);
  return "\"" + prefix + send.password + send.command + sent_to;
}

}  // namespace tarvex::outbound
