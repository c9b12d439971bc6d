#include "platform/file_lock.h"

#include <cerrno>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

#include "platform/file_api.h"

namespace tarvex::platform {

#ifdef _WIN32

FileLock::FileLock(const std::string& path) {
  // Opened without sharing: a second opener is refused until this handle
  // closes, which the system does when the process ends.
  const HANDLE handle = CreateFileW(to_fs_path(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    // Refused sharing: another holder has it open.
    const DWORD why = GetLastError();
    if (why != ERROR_SHARING_VIOLATION) error_ = why == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return;
  }
  handle_ = handle;
  held_ = true;
}

FileLock::~FileLock() {
  if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
}

#else

FileLock::FileLock(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd_ < 0) {
    error_ = errno;
    return;
  }
  held_ = ::flock(fd_, LOCK_EX | LOCK_NB) == 0;
  if (!held_ && errno != EWOULDBLOCK) error_ = errno;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

#endif

}  // namespace tarvex::platform
