#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

// Files that another program drops into a folder are taken only once they are
// complete: a file counts as complete when its size and modification time have
// stayed the same for a while (seen by two looks at least). The modem engine
// stand-in and the SMS gateway bridge take the outbox files this way, and the
// bridge also the files its gateway leaves.
namespace tarvex::outbound {

struct ClaimedFile {
  std::string name;          // the name it had in the folder
  std::string claimed_path;  // where it lies now
  std::string bytes;         // its whole contents
};

class CompleteFiles {
 public:
  CompleteFiles(std::string folder, std::string pattern, std::int64_t settle_ms = 500);

  // One look at the folder at time now_ms (any monotonic clock): the names of
  // the complete files matching the pattern, oldest first.
  std::vector<std::string> settled(std::int64_t now_ms);

  // settled(), and every such file claimed by renaming it to claim_path(name)
  // and read whole. A file that a sender replaces meanwhile (same name, written
  // and renamed whole) is then a new file, taken on a later look. A file that
  // has changed since the look is put back and watched again; one that can not
  // be renamed or read is left where it is.
  std::vector<ClaimedFile> take(std::int64_t now_ms,
                                const std::function<std::string(const std::string&)>& claim_path);

  const std::string& folder() const { return folder_; }

 private:
  struct Seen {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    std::int64_t since = 0;
  };
  std::string folder_;
  std::string pattern_;
  std::int64_t settle_ms_;
  std::map<std::string, Seen> seen_;
};

}  // namespace tarvex::outbound
