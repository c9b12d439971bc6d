#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "support/disk_full.h"

namespace tarvex::testing {

// Makes a rewrite of the existing file at path fail while the object lives,
// leaving the file as it is: on Windows by holding it open, which keeps it
// from being replaced; elsewhere by a full disk (every write that grows a
// file past a few bytes fails meanwhile).
class BlockedRewrite {
 public:
  explicit BlockedRewrite(const std::string& path);
  ~BlockedRewrite();
  BlockedRewrite(const BlockedRewrite&) = delete;
  BlockedRewrite& operator=(const BlockedRewrite&) = delete;

 private:
#ifdef _WIN32
  std::FILE* held_ = nullptr;
#else
  std::unique_ptr<DiskFull> full_;
#endif
};

}  // namespace tarvex::testing
