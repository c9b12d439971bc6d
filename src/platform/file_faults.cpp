#include "platform/file_faults.h"

#include <fcntl.h>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace tarvex::platform {

namespace detail {
std::atomic<FileFaultInjector*> file_fault_injector{nullptr};
}

void set_file_fault_injector(FileFaultInjector* injector) {
  detail::file_fault_injector.store(injector, std::memory_order_release);
}

const char* file_op_name(FileOp op) {
  switch (op) {
    case FileOp::Open:
      return "open";
    case FileOp::Read:
      return "read";
    case FileOp::Write:
      return "write";
    case FileOp::Flush:
      return "flush";
    case FileOp::Close:
      return "close";
    case FileOp::Replace:
      return "replace";
    case FileOp::Remove:
      return "remove";
    case FileOp::Truncate:
      return "truncate";
    case FileOp::List:
      return "list";
    case FileOp::CreateFolder:
      return "create folder";
  }
  return "?";
}

void discard_file(std::FILE* file) {
  // Point the descriptor at the null device first: the close then writes
  // what the stream buffers there instead of into the file.
#ifdef _WIN32
  const int null_device = _open("NUL", _O_WRONLY);
  if (null_device >= 0) {
    _dup2(null_device, _fileno(file));
    _close(null_device);
  }
#else
  const int null_device = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  if (null_device >= 0) {
    ::dup2(null_device, fileno(file));
    ::close(null_device);
  }
#endif
  std::fclose(file);
}

}  // namespace tarvex::platform
