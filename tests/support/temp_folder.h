#pragma once

#include <string>

namespace tarvex::testing {

// A fresh folder under the system's temporary folder (or under `base`),
// removed with its contents when the object goes.
class TempFolder {
 public:
  TempFolder();
  explicit TempFolder(const std::string& base);
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  // path(), the separator and name (whose "/" become the separator)
  std::string file(const std::string& name) const;
  // Writes bytes to path()/name, creating folders on the way.
  void write(const std::string& name, const std::string& bytes) const;
  std::string read(const std::string& name) const;

 private:
  std::string path_;
};

}  // namespace tarvex::testing
