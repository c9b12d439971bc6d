#include "outbound/complete_files.h"

#include <algorithm>
#include <filesystem>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace tarvex::outbound {

namespace {

std::int64_t modified_ns(const fs::path& path, std::error_code& ec) {
  const auto time = fs::last_write_time(path, ec);
  return ec ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
}

}  // namespace

CompleteFiles::CompleteFiles(std::string folder, std::string pattern, std::int64_t settle_ms)
    : folder_(std::move(folder)), pattern_(std::move(pattern)), settle_ms_(settle_ms) {}

std::vector<std::string> CompleteFiles::settled(std::int64_t now_ms) {
  struct Ready {
    std::string name;
    std::int64_t modified;
  };
  std::vector<Ready> ready;
  std::map<std::string, Seen> still_seen;
  for (const std::string& name : platform::list_files(folder_, pattern_)) {
    const fs::path path = platform::to_fs_path(platform::join_path(folder_, name));
    std::error_code ec;
    Seen now{fs::file_size(path, ec), 0, now_ms};
    if (ec) continue;  // gone between the listing and now
    now.modified = modified_ns(path, ec);
    if (ec) continue;
    auto before = seen_.find(name);
    if (before != seen_.end() && before->second.size == now.size &&
        before->second.modified == now.modified) {
      now.since = before->second.since;
      if (now_ms - now.since >= settle_ms_ && now_ms > now.since)
        ready.push_back({name, now.modified});
    }
    still_seen[name] = now;
  }
  seen_ = std::move(still_seen);
  std::sort(ready.begin(), ready.end(), [](const Ready& a, const Ready& b) {
    return a.modified != b.modified ? a.modified < b.modified : a.name < b.name;
  });
  std::vector<std::string> names;
  for (auto& r : ready) names.push_back(std::move(r.name));
  return names;
}

std::vector<ClaimedFile> CompleteFiles::take(
    std::int64_t now_ms, const std::function<std::string(const std::string&)>& claim_path) {
  std::vector<ClaimedFile> taken;
  for (const std::string& name : settled(now_ms)) {
    const std::string path = platform::join_path(folder_, name);
    const Seen seen = seen_[name];
    const std::string claimed = claim_path(name);
    if (platform::replace_file(path, claimed))
      continue;  // taken away meanwhile; a file still there is looked at again
    seen_.erase(name);
    std::string bytes;
    try {
      bytes = platform::read_file(claimed);
    } catch (const platform::FileError&) {
      platform::replace_file(claimed, path);
      continue;
    }
    if (bytes.size() != seen.size) {
      platform::replace_file(claimed, path);
      seen_[name] = {bytes.size(), seen.modified, now_ms};  // still growing
      continue;
    }
    taken.push_back({name, claimed, std::move(bytes)});
  }
  return taken;
}

}  // namespace tarvex::outbound
