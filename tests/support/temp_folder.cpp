#include "support/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::testing {

TempFolder::TempFolder() : TempFolder(platform::from_fs_path(std::filesystem::temp_directory_path())) {}

TempFolder::TempFolder(const std::string& base_folder) {
  // A random name, created only if nothing has it yet.
  static std::mt19937_64 names{std::random_device{}()};
  const std::filesystem::path base = platform::to_fs_path(base_folder);
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::filesystem::path candidate = base / ("tarvex-" + std::to_string(names()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = platform::from_fs_path(candidate);
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(platform::to_fs_path(path_), ec);
}

std::string TempFolder::file(const std::string& name) const {
  return platform::join_path(path_, platform::to_native_path(name));
}

void TempFolder::write(const std::string& name, const std::string& bytes) const {
  const std::filesystem::path p = platform::to_fs_path(file(name));
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

std::string TempFolder::read(const std::string& name) const {
  std::ifstream in(platform::to_fs_path(file(name)), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

}  // namespace tarvex::testing
