#pragma once

#include <string>

namespace tarvex::testing {

// A fresh folder under the system's temporary folder, removed with its
// contents when the object goes.
class TempFolder {
 public:
  // in_memory: in a memory file system where there is one (/dev/shm), for
  // tests that write and sync thousands of files, which a loaded disk makes
  // take minutes.
  explicit TempFolder(bool in_memory = false);
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
