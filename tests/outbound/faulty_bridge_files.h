#pragma once

#include <functional>
#include <string>
#include <vector>

#include "outbound/sms_bridge.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

// Thrown where the bridge is stopped dead: nothing after that point runs, as
// when the process is killed there.
struct BridgeStopped {};

// The bridge's file operations, made to fail (or to stop the bridge) for
// chosen operations and paths. op: "remove", "rename", "write", "append",
// "sync"; for a rename, path is where the file goes.
class FaultyBridgeFiles : public BridgeFiles {
 public:
  using Choice = std::function<bool(const std::string& op, const std::string& path)>;
  Choice fail;
  Choice stop;
  std::vector<std::string> done;  // "<op> <path>" of every operation carried out

  bool remove(const std::string& path) override {
    if (check("remove", path)) return false;
    return BridgeFiles::remove(path);
  }
  std::error_code rename(const std::string& from, const std::string& to) override {
    if (check("rename", to)) return std::make_error_code(std::errc::permission_denied);
    return BridgeFiles::rename(from, to);
  }
  void write(const std::string& path, const std::string& bytes) override {
    if (check("write", path)) throw platform::FileError("Cannot write file \"" + path + "\".");
    BridgeFiles::write(path, bytes);
  }
  void sync_folder(const std::string& folder) override {
    if (!check("sync", folder)) BridgeFiles::sync_folder(folder);
  }
  void append(const std::string& path, const std::vector<std::string>& lines) override {
    if (check("append", path)) throw platform::FileError("Cannot write file \"" + path + "\".");
    BridgeFiles::append(path, lines);
  }

 private:
  bool check(const char* op, const std::string& path) {
    if (stop && stop(op, path)) throw BridgeStopped{};
    if (fail && fail(op, path)) return true;
    done.push_back(std::string(op) + " " + path);
    return false;
  }
};

inline bool ends_with(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace tarvex::outbound
