// tarvex-sms-bridge: takes the modem engine's place in front of gammu-smsd.
// Started in the start-up folder of the programmer (no arguments, as "Open
// Modem Engine Application" starts it, or with the path of the daemon's
// configuration file), it reads the programming folder, the incoming-message
// folder and the unit log from setup.txt there and the daemon's folders from
// its configuration, and until SIGTERM or SIGINT hands every outbox file to
// the daemon and passes on what the daemon receives, sends and fails to send.
// sms-bridge.ini beside setup.txt may hold "multipart = yes", which lets a
// text longer than one SMS go out as linked parts.

#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <utility>

#include "../engine_loop.h"
#include "outbound/gammu_gateway.h"
#include "outbound/sms_bridge.h"
#include "platform/file_api.h"
#include "platform/file_lock.h"
#include "platform/text_file.h"

namespace {

constexpr const char* kLocalConfig = "gammu-smsdrc";
constexpr const char* kSystemConfig = "/etc/gammu-smsdrc";

std::int64_t wall_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

// Started from the programmer the bridge has no terminal: what it refuses
// and warns of goes to its log as well.
void tell(const std::string& log_file, const std::string& text) {
  std::fprintf(stderr, "tarvex-sms-bridge: %s\n", text.c_str());
  try {
    tarvex::platform::append_lines(
        log_file, {tarvex::outbound::local_time_text(wall_ms() / 1000) + " " + text});
  } catch (const std::exception&) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  using namespace tarvex;
  if (argc > 2) {
    std::fprintf(stderr, "usage: tarvex-sms-bridge [gammu-smsd configuration file]\n");
    return 2;
  }
  const std::string start_folder = platform::current_folder();
  const std::string local_config = platform::join_path(start_folder, kLocalConfig);
  const std::string config = argc == 2                             ? argv[1]
                             : platform::file_exists(local_config) ? local_config
                                                                   : kSystemConfig;
  const std::string log_file = platform::join_path(start_folder, outbound::kBridgeLogFile);
  outbound::EngineFolders folders;
  outbound::GammuSettings settings;
  outbound::BridgeSettings bridge_settings;
  try {
    folders = outbound::engine_folders(start_folder, outbound::kBridgeLogFile);
    settings = outbound::read_gammu_settings(config);
    bridge_settings = outbound::read_bridge_settings(
        platform::join_path(start_folder, outbound::kBridgeSettingsFile));
    platform::create_folders(folders.programming_folder);
    platform::create_folders(settings.outbox);
  } catch (const std::exception& e) {
    tell(log_file, std::string("not started: ") + e.what());
    return 1;
  }

  // One bridge on these folders: a second one would hand the first one's
  // claims over while they are in use. The system lets the locks go when
  // the process ends, however it ends.
  const std::string outbox_lock_file =
      platform::join_path(folders.programming_folder, "sms-bridge.lock");
  const std::string gateway_lock_file =
      platform::join_path(settings.outbox, "tarvex-sms-bridge.lock");
  const platform::FileLock outbox_lock(outbox_lock_file);
  const platform::FileLock gateway_lock(gateway_lock_file);
  for (const auto& [lock, file] :
       {std::pair{&outbox_lock, outbox_lock_file}, std::pair{&gateway_lock, gateway_lock_file}})
    if (lock->error()) {
      tell(log_file, "not started: cannot lock " + file + ": " + std::strerror(lock->error()));
      return 1;
    }
  if (!outbox_lock.held() || !gateway_lock.held()) {
    tell(log_file, "not started: another tarvex-sms-bridge is running on the programming folder " +
                       folders.programming_folder + " or the gammu-smsd outbox " + settings.outbox);
    return 1;
  }

  outbound::SmsBridge* bridge_for_notes = nullptr;
  outbound::GammuFilesGateway gateway(settings, [&](const std::string& text) {
    if (!bridge_for_notes) return;
    try {
      bridge_for_notes->log(text);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "tarvex-sms-bridge: %s (%s)\n", text.c_str(), e.what());
    }
  });
  std::optional<outbound::SmsBridge> bridge;
  try {
    bridge.emplace(folders, gateway, wall_ms, 500, bridge_settings);
  } catch (const std::exception& e) {
    tell(log_file, std::string("not started: ") + e.what());
    return 1;
  }
  bridge_for_notes = &*bridge;
  if (!settings.stores_reports)
    tell(log_file,
         "no delivery reports: the daemon passes none on without \"deliveryreport = sms\"");
  return tools::run_engine(
      "tarvex-sms-bridge", *bridge,
      "started; programming folder " + folders.programming_folder + ", incoming-message folder " +
          folders.incoming_folder + ", unit log " +
          (folders.unit_log_file.empty() ? "none" : folders.unit_log_file) +
          ", gammu-smsd configuration " + config + " (outbox " + settings.outbox + ", inbox " +
          settings.inbox + ")" +
          (bridge_settings.multipart ? ", long messages as linked parts" : ""));
}
