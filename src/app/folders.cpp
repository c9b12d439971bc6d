#include "app/folders.h"

#include <cctype>
#include <filesystem>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::app {

bool is_absolute_path(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return true;
  return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

std::string resolve_folder(const std::string& start_folder, const std::string& value) {
  if (value.empty()) return value;
  const std::string native = platform::to_native_path(value);
  if (is_absolute_path(value)) return native;
  return platform::join_path(start_folder, native);
}

std::string path_below(const std::string& folder, const std::string& path) {
  if (folder.empty()) return path;
  std::string prefix = folder;
  if (prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
  if (path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0)
    return path.substr(prefix.size());
  // Stored paths may mix separators; compare them as one.
  const std::string native_path = platform::to_native_path(path);
  const std::string native_prefix = platform::to_native_path(prefix);
  if (native_path.size() > native_prefix.size() &&
      native_path.compare(0, native_prefix.size(), native_prefix) == 0)
    return path.substr(native_prefix.size());
  return path;
}

bool same_folder(const std::string& a, const std::string& b) {
  namespace fs = std::filesystem;
  const auto normal = [](const std::string& p) {
    fs::path n = platform::to_fs_path(p).lexically_normal();
    return n.has_filename() ? n : n.parent_path();  // "x/" is "x"
  };
  std::error_code ec;
  return normal(a) == normal(b) ||
         fs::equivalent(platform::to_fs_path(a), platform::to_fs_path(b), ec);
}

}  // namespace tarvex::app
