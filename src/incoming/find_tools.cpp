#include "incoming/find_tools.h"

#include <filesystem>

#include "incoming/incoming_message.h"
#include "platform/file_api.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace tarvex::incoming {

std::vector<std::string> list_ordinary_files(const std::string& folder,
                                             const std::string& pattern) {
  // No folder is no folder, not the current one.
  if (folder.empty()) return {};
  return platform::list_files(folder, pattern);
}

std::optional<ListedFile> look_at_file(const std::string& folder, const std::string& name) {
  const fs::path path = platform::to_fs_path(platform::join_path(folder, name));
  std::error_code ec;
  if (!fs::is_regular_file(fs::symlink_status(path, ec))) return std::nullopt;
  ListedFile file{name, fs::file_size(path, ec), 0};
  if (ec) return std::nullopt;
  file.modified = fs::last_write_time(path, ec).time_since_epoch().count();
  if (ec) return std::nullopt;
  return file;
}

std::string find_folder_caption(const std::string& folder) {
  return "Find file in " + folder;
}

DeviceSearch find_devices(const std::string& folder, const std::string& text) {
  DeviceSearch search;
  search.hits = list_ordinary_files(folder, text + ".dev");
  search.status = search.hits.empty() ? std::string(kFileNotFound)
                                      : "Device/s " + text + " was found in " + folder;
  return search;
}

int find_in_received(const platform::StringGrid& source, int column, const std::string& text,
                     platform::StringGrid& result) {
  platform::GridUpdate update(result);
  clear_message_grid(result);
  int found = 0;
  if (text.empty()) return found;
  for (int row = 1; row < source.row_count(); ++row) {
    if (source.cell(column, row).find(text) == std::string::npos) continue;
    std::vector<std::string> cells = source.row_cells(row);
    cells.resize(kMessageColumns);
    append_message_row(result, cells);
    ++found;
  }
  return found;
}

}  // namespace tarvex::incoming
