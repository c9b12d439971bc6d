#pragma once

#include <string>

namespace tarvex::platform {

// An advisory lock on a file (created when missing), held for the life of the
// object or of the process: the operating system lets it go when the process
// ends in any way, so a crashed holder never leaves a stale lock behind.
class FileLock {
 public:
  explicit FileLock(const std::string& path);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Whether this object holds the lock; false when another holder has it or
  // the file can not be opened.
  bool held() const { return held_; }
  // Why the lock file could not be opened or locked (an errno value); 0 when
  // it is held, by this object or another holder.
  int error() const { return error_; }

 private:
  bool held_ = false;
  int error_ = 0;
#ifdef _WIN32
  void* handle_ = nullptr;
#else
  int fd_ = -1;
#endif
};

}  // namespace tarvex::platform
