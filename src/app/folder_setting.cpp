#include "app/folder_setting.h"

#include "platform/text_file.h"

namespace tarvex::app {

std::string resolve_folder(const std::string& start_folder, const std::string& value) {
  if (value.empty()) return value;
  std::string folder = platform::to_native_path(value);
  if (folder.front() == '/') return folder;
  return platform::join_path(start_folder, folder);
}

}  // namespace tarvex::app
