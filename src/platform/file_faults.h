#pragma once

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string_view>

// A switch at the file seam for the tests that prove every hand-over of the
// operator's data against faults: each file operation of the program asks it
// first, so that a test can count the operations of a run, fail any one of
// them with a chosen error, or stop the run there as a crash would. With no
// injector installed (always, outside those tests) an operation pays one
// atomic load and a null check.
namespace tarvex::platform {

enum class FileOp {
  Open,
  Read,
  Write,
  Flush,
  Close,
  Replace,
  Remove,
  Truncate,
  List,
  CreateFolder
};

const char* file_op_name(FileOp op);

// Thrown where a run is stopped dead. Deliberately no std::exception, so that
// no handler of the program takes it for an error it could report.
struct SimulatedCrash {};

// What a fault point may answer besides 0 (go on) and an errno value (fail
// with it).
inline constexpr int kFileOpDead = -1;  // the run has crashed: do nothing, fail
inline constexpr int kFileOpTorn = -2;  // Write only: write part, then crash

class FileFaultInjector {
 public:
  virtual ~FileFaultInjector() = default;
  // Asked before each operation. May throw SimulatedCrash, except for Close
  // (which runs in destructors).
  virtual int at(FileOp op, std::string_view path) = 0;
  // Every stream opened and closed through the seam, so that a crashed run's
  // streams can be let go without writing what they still buffer.
  virtual void opened(std::FILE* file) = 0;
  virtual void closed(std::FILE* file) = 0;
};

namespace detail {
extern std::atomic<FileFaultInjector*> file_fault_injector;
}

// Installs (or, with nullptr, removes) the injector. Tests only.
void set_file_fault_injector(FileFaultInjector* injector);

inline int file_fault_point(FileOp op, std::string_view path = {}) {
  FileFaultInjector* injector = detail::file_fault_injector.load(std::memory_order_acquire);
  return injector ? injector->at(op, path) : 0;
}

inline void file_opened(std::FILE* file) {
  if (FileFaultInjector* injector = detail::file_fault_injector.load(std::memory_order_acquire))
    if (file) injector->opened(file);
}

inline void file_closed(std::FILE* file) {
  if (FileFaultInjector* injector = detail::file_fault_injector.load(std::memory_order_acquire))
    injector->closed(file);
}

// The errno an operation fails with for a fault point's answer.
inline int fault_errno(int fault) {
  return fault > 0 ? fault : EIO;
}

// Lets a stream go as a dying process does: the descriptor is closed, what
// the stream still buffers is never written.
void discard_file(std::FILE* file);

}  // namespace tarvex::platform
