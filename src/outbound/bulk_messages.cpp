#include "outbound/bulk_messages.h"

#include <algorithm>
#include <unordered_set>

#include "app/folders.h"
#include "device/device_files.h"
#include "outbound/batched_grid.h"
#include "outbound/list_file_dialogs.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {
constexpr int kNumberCol = 0;
constexpr int kStateCol = 1;
}  // namespace

std::string groups_folder(const app::Session& session) {
  return session.start_file(kGroupsFolderName);
}

std::string group_file_text(const std::vector<std::string>& numbers) {
  return platform::join_lines(numbers) + "\r\n";
}

std::vector<std::string> read_group_file(const std::string& path) {
  std::vector<std::string> numbers;
  for (std::string& line : platform::read_lines(path))
    if (!line.empty()) numbers.push_back(std::move(line));
  return numbers;
}

void reset_number_grid(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  grid.set_row_count(2);
  grid.set_cell(kNumberCol, 0, "Number");
  grid.set_cell(kStateCol, 0, "Select/Unselect");
  grid.set_cell(kNumberCol, 1, "");
  grid.set_cell(kStateCol, 1, kUnselected);
}

std::vector<std::string> grid_numbers(const platform::StringGrid& grid) {
  std::vector<std::string> numbers;
  for (int row = 1; row < grid.row_count(); ++row) numbers.push_back(grid.cell(kNumberCol, row));
  return numbers;
}

void show_numbers(platform::StringGrid& grid, const std::vector<std::string>& numbers) {
  platform::GridUpdate update(grid);
  reset_number_grid(grid);
  grid.set_row_count(std::max<int>(numbers.size(), 1) + 1);
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    grid.set_cell(kNumberCol, static_cast<int>(i) + 1, numbers[i]);
    grid.set_cell(kStateCol, static_cast<int>(i) + 1, kUnselected);
  }
}

void add_numbers(platform::StringGrid& grid, const std::vector<std::string>& numbers) {
  platform::GridUpdate update(grid);
  for (const std::string& number : numbers) {
    int row = grid.row_count() - 1;
    if (!grid.cell(kNumberCol, row).empty()) grid.set_row_count(++row + 1);
    grid.set_cell(kNumberCol, row, number);
    grid.set_cell(kStateCol, row, kUnselected);
  }
}

void toggle_selection(platform::StringGrid& grid) {
  if (grid.col() != kStateCol) return;
  const int row = grid.row();
  const std::string& state = grid.cell(kStateCol, row);
  if (state.empty() || state == kSelected || state == kSent) {
    grid.set_cell(kStateCol, row, kUnselected);
  } else if (state == kUnselected) {
    grid.set_cell(kStateCol, row, kSelected);
  }
}

void mark_all(platform::StringGrid& grid, const std::string& state) {
  platform::GridUpdate update(grid);
  for (int row = 1; row < grid.row_count(); ++row) grid.set_cell(kStateCol, row, state);
}

void add_number_row(platform::StringGrid& grid) {
  const int row = grid.row_count();
  grid.set_row_count(row + 1);
  grid.set_cell(kStateCol, row, kUnselected);
  grid.set_current(kNumberCol, row);
}

bool remove_number_row(platform::StringGrid& grid) {
  if (grid.row_count() <= 2 || grid.row() < 1 || grid.row() >= grid.row_count()) return false;
  grid.remove_row(grid.row());
  return true;
}

std::string group_caption(const app::Session& session, const std::string& path) {
  return std::string(kBulkCaption) + " " + app::path_below(groups_folder(session), path);
}

std::string marked_caption(const std::string& caption) {
  if (caption == kBulkCaption || caption.find('*') != std::string::npos) return caption;
  return caption + "*";
}

std::vector<std::string> numbers_from_device_names(const std::vector<std::string>& names) {
  std::vector<std::string> numbers;
  for (const std::string& name : names) {
    if (name.size() <= 10 || name[0] != '+') continue;
    auto cut = name.find(".dev");
    // A name listed as "*.dev" but spelt ".DEV" loses its extension all the same.
    if (cut == std::string::npos) cut = name.size() - 4;
    numbers.push_back(name.substr(0, cut));
  }
  return numbers;
}

namespace {
ListFileKind group_files(const app::Session& session) {
  return {groups_folder(session), kGroupFileFilter, kGroupFileExtension};
}
}  // namespace

std::optional<OpenedGroup> open_group(app::Session& session) {
  const auto path = ask_open_path(session.ui, group_files(session));
  if (!path) return std::nullopt;
  try {
    return OpenedGroup{read_group_file(*path), group_caption(session, *path)};
  } catch (const platform::FileError& e) {
    session.ui.message(e.what());
    return std::nullopt;
  }
}

std::optional<std::string> save_group(app::Session& session,
                                      const std::vector<std::string>& numbers) {
  const std::string text = group_file_text(numbers);
  const auto path = ask_save_path(session.ui, group_files(session));
  if (!path || !write_reported(session.ui, *path, text)) return std::nullopt;
  return group_caption(session, *path);
}

std::optional<std::vector<std::string>> numbers_from_directory(app::Session& session) {
  const auto folder = session.ui.pick_folder(kGetNumbersTitle, device::device_folder(session));
  if (!folder) return std::nullopt;
  return numbers_from_device_names(platform::list_files(*folder, "*.dev"));
}

namespace {

// R for a send: drawn again while a file it would write is still waiting in
// the folder (two sends may draw the same R before the engine took the first).
int draw_send_tag(const std::string& folder, const platform::StringGrid& grid,
                  const std::string& message, const TagSource& draw) {
  constexpr int kAttempts = 20;
  const auto waiting = platform::list_files(folder, "*.txt");
  int tag = draw();
  if (waiting.empty()) return tag;
  const std::unordered_set<std::string> names(waiting.begin(), waiting.end());
  for (int attempt = 1; attempt < kAttempts; ++attempt, tag = draw()) {
    bool taken = false;
    for (int row = 1; row < grid.row_count() && !taken; ++row)
      taken = grid.cell(kStateCol, row) == kSelected &&
              names.count(bulk_message(grid.cell(kNumberCol, row), tag, row, message).file_name());
    if (!taken) break;
  }
  return tag;
}

}  // namespace

int bulk_send(app::Session& session, platform::StringGrid& grid, const std::string& message,
              const TagSource& draw) {
  platform::Ui& ui = session.ui;
  if (message.empty()) {
    ui.message(kNoMessageToSend);
    return -1;
  }
  if (grid.row_count() == 2 && grid.cell(kNumberCol, 1).empty()) {
    ui.message(kNoNumbersToSendTo);
    return -1;
  }
  const std::string folder =
      app::resolve_folder(session.start_folder, session.settings.programming_folder);
  const int tag = draw_send_tag(folder, grid, message, draw);
  int sent = 0;
  bool folder_ready = false;
  BatchedGrid quiet(grid);
  // The row count is read on every turn: a message box runs the window.
  for (int row = 1; row < grid.row_count(); ++row) {
    if (grid.cell(kStateCol, row) != kSelected) continue;
    const std::string& number = grid.cell(kNumberCol, row);
    if (number.empty()) continue;
    try {
      if (auto problem = destination_problem(number)) throw OutboxError(*problem);
      if (!folder_ready) ensure_programming_folder(folder);
      folder_ready = true;
      write_outbox_file(folder, bulk_message(number, tag, row, message));
    } catch (const OutboxError& e) {
      folder_ready = false;
      quiet.tell(ui, destination_problem(number) ? e.what() : kOutputPathMissing);
      continue;
    }
    grid.set_cell(kStateCol, row, kSent);
    ++sent;
  }
  quiet.finish();
  ui.message(std::to_string(sent) + kMessagesSent);
  return sent;
}

}  // namespace tarvex::outbound
