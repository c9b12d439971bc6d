#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "outbound/complete_files.h"
#include "outbound/sms_bridge.h"

// The bridge's side of gammu-smsd with its files service: the daemon sends
// every file of its outbox folder and moves it to its sent or error folder,
// and stores what it receives (delivery reports too) as files in its inbox
// folder, in gammu's SMS backup layout ("InboxFormat = detail").
namespace tarvex::outbound {

struct GammuSettings {
  std::string inbox;
  std::string outbox;
  std::string sent;
  std::string error;
  bool stores_reports = false;  // "DeliveryReport = sms"
};

// Reads the [smsd] section of a gammu-smsd configuration file. Relative
// folders are taken from the file's own folder. Throws platform::FileError
// when the file can not be read, std::runtime_error naming the setting when
// the daemon is not set up as the bridge needs it: the files service, four
// different folders, and the detail inbox format.
GammuSettings read_gammu_settings(const std::string& config_path);

// A message the daemon stored in its inbox.
struct GammuInboxMessage {
  bool status_report = false;
  std::string number;
  std::string text;  // 8-bit; characters beyond Latin-1 read "?"
};

// Reads a file in gammu's SMS backup layout; the parts of a long message are
// joined. Nothing when it holds no message.
std::optional<GammuInboxMessage> parse_gammu_backup(const std::string& bytes);

// Text files of the daemon's outbox and sent folders: UTF-16 with a byte
// order mark, which the daemon reads the same in every locale.
std::string to_utf16_file(const std::string& latin1);
std::string from_text_file(const std::string& bytes);

class GammuFilesGateway : public SmsGateway {
 public:
  // note: where the gateway tells of files it leaves alone.
  GammuFilesGateway(GammuSettings settings, std::function<void(const std::string&)> note,
                    std::int64_t settle_ms = 500, BridgeFiles& files = system_bridge_files());

  // gammu-smsd 1.42 aborts on an outbox name of 100 bytes or more, and again
  // at every start while the file is there.
  static constexpr std::size_t kLongestOutboxName = 80;

  // "OUTC<yyyymmdd>_<hhmmss>_<serial>_<number>_<tag>.txt", "d" added when a
  // delivery report is asked for; the time is that of the serial (ms since
  // 1970, UTC), so the daemon sends in the order of hand-over. A tag too long
  // for kLongestOutboxName is cut and ends in a hash of the whole.
  static std::string outbox_name(const GatewayMessage& message);

  void submit(const GatewayMessage& message) override;
  bool holds(std::uint64_t serial) override;
  std::vector<GatewayEvent> events(std::int64_t now_ms) override;
  bool finish(const std::string& file) override;

 private:
  void outcomes(CompleteFiles& folder, GatewayOutcome outcome, std::int64_t now_ms,
                std::vector<GatewayEvent>& events);

  GammuSettings settings_;
  std::function<void(const std::string&)> note_;
  BridgeFiles& files_;
  CompleteFiles inbox_;
  CompleteFiles sent_;
  CompleteFiles error_;
  // Files that are no messages: told once, then left alone.
  std::set<std::string> left_alone_;
};

}  // namespace tarvex::outbound
