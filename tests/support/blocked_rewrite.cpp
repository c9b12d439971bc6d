#include "support/blocked_rewrite.h"

#include "platform/file_api.h"

namespace tarvex::testing {

#ifdef _WIN32
BlockedRewrite::BlockedRewrite(const std::string& path) : held_(platform::open_file(path, "rb")) {}
BlockedRewrite::~BlockedRewrite() {
  if (held_) std::fclose(held_);
}
#else
BlockedRewrite::BlockedRewrite(const std::string&) : full_(std::make_unique<DiskFull>()) {}
BlockedRewrite::~BlockedRewrite() = default;
#endif

}  // namespace tarvex::testing
