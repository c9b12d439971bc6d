// tarvex-sms-bridge: takes the modem engine's place in front of gammu-smsd.
// Started in the start-up folder of the programmer (no arguments, as "Open
// Modem Engine Application" starts it, or with the path of the daemon's
// configuration file), it reads the programming folder, the incoming-message
// folder and the unit log from setup.txt there and the daemon's folders from
// its configuration, and until SIGTERM or SIGINT hands every outbox file to
// the daemon and passes on what the daemon receives, sends and fails to send.

#include <chrono>
#include <cstdio>
#include <exception>

#include "../engine_loop.h"
#include "outbound/gammu_gateway.h"
#include "outbound/sms_bridge.h"
#include "platform/file_api.h"
#include "platform/text_file.h"

namespace {

constexpr const char* kLocalConfig = "gammu-smsdrc";
constexpr const char* kSystemConfig = "/etc/gammu-smsdrc";

std::int64_t wall_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
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
  outbound::EngineFolders folders;
  outbound::GammuSettings settings;
  try {
    folders = outbound::engine_folders(start_folder, outbound::kBridgeLogFile);
    settings = outbound::read_gammu_settings(config);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-sms-bridge: %s\n", e.what());
    return 1;
  }

  outbound::SmsBridge* bridge_for_notes = nullptr;
  outbound::GammuFilesGateway gateway(settings, [&](const std::string& text) {
    if (bridge_for_notes) bridge_for_notes->log(text);
  });
  outbound::SmsBridge bridge(folders, gateway, wall_ms);
  bridge_for_notes = &bridge;
  if (!settings.stores_reports)
    std::fprintf(stderr,
                 "tarvex-sms-bridge: no delivery reports: the daemon passes none on without "
                 "\"deliveryreport = sms\"\n");
  return tools::run_engine("tarvex-sms-bridge", bridge,
                           "started; programming folder " + folders.programming_folder +
                               ", incoming-message folder " + folders.incoming_folder +
                               ", unit log " +
                               (folders.unit_log_file.empty() ? "none" : folders.unit_log_file) +
                               ", gammu-smsd configuration " + config + " (outbox " +
                               settings.outbox + ", inbox " + settings.inbox + ")");
}
