// Preloaded beside libfiu's POSIX preload library: counts the failures that
// libfiu injects into a process. Every injected failure goes through
// fiu_fail(); this one asks libfiu's own, and for each failure it decides
// appends the name of the failure point as one line to the file named by
// TARVEX_FAULT_TALLY. The line is written at once with a bare system call, so
// a process killed a moment later has told all of its failures, and no
// wrapper of the preload library sees the write.

#ifndef _GNU_SOURCE
#define _GNU_SOURCE
#endif
#include <dlfcn.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

using FailFunction = int (*)(const char*);

int tally_fd = -2;

int tally() {
  if (tally_fd == -2) {
    const char* path = getenv("TARVEX_FAULT_TALLY");
    tally_fd = path ? static_cast<int>(syscall(SYS_openat, AT_FDCWD, path,
                                               O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644))
                    : -1;
  }
  return tally_fd;
}

}  // namespace

extern "C" int fiu_fail(const char* name) {
  static const FailFunction real = reinterpret_cast<FailFunction>(dlsym(RTLD_NEXT, "fiu_fail"));
  const int failed = real ? real(name) : 0;
  if (failed && tally() >= 0) {
    char line[256];
    size_t length = strnlen(name, sizeof line - 1);
    memcpy(line, name, length);
    line[length++] = '\n';
    syscall(SYS_write, tally_fd, line, length);
  }
  return failed;
}
