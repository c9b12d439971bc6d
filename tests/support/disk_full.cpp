#include "support/disk_full.h"

#include <csignal>

#ifndef _WIN32
#include <sys/resource.h>
#endif

namespace tarvex::testing {

DiskFull::DiskFull(std::uint64_t bytes) {
#ifndef _WIN32
  // Past the limit the kernel sends SIGXFSZ, which would end the test: the
  // write is to fail with an error instead, as on a full disk.
  old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  old_soft_ = limit.rlim_cur;
  limit.rlim_cur = bytes;
  setrlimit(RLIMIT_FSIZE, &limit);
#else
  (void)bytes;
#endif
}

DiskFull::~DiskFull() {
#ifndef _WIN32
  rlimit limit{};
  getrlimit(RLIMIT_FSIZE, &limit);
  limit.rlim_cur = old_soft_;
  setrlimit(RLIMIT_FSIZE, &limit);
  std::signal(SIGXFSZ, old_handler_);
#endif
}

}  // namespace tarvex::testing
