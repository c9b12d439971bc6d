#pragma once

#include <cstdint>

namespace tarvex::testing {

// Makes every write that would grow a file beyond `bytes` fail (EFBIG), the
// way a full disk fails a write, for as long as the object lives. Files that
// already exist stay readable; only writes past the limit fail.
// Windows has no file-size limit to set: there the object does nothing and
// kSupported says so.
class DiskFull {
 public:
#ifdef _WIN32
  static constexpr bool kSupported = false;
#else
  static constexpr bool kSupported = true;
#endif

  explicit DiskFull(std::uint64_t bytes = 8);
  ~DiskFull();
  DiskFull(const DiskFull&) = delete;
  DiskFull& operator=(const DiskFull&) = delete;

 private:
  std::uint64_t old_soft_ = 0;
  void (*old_handler_)(int) = nullptr;
};

}  // namespace tarvex::testing
