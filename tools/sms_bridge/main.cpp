// tarvex-sms-bridge: takes the modem engine's place in front of gammu-smsd.
// Started in the start-up folder of the programmer (no arguments, as "Open
// Modem Engine Application" starts it, or with the path of the daemon's
// configuration file), it reads the programming folder, the incoming-message
// folder and the unit log from setup.txt there and the daemon's folders from
// its configuration, and until SIGTERM or SIGINT hands every outbox file to
// the daemon and passes on what the daemon receives, sends and fails to send.

#include <signal.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "outbound/gammu_gateway.h"
#include "outbound/sms_bridge.h"
#include "platform/text_file.h"

namespace {

volatile sig_atomic_t stop_requested = 0;

void request_stop(int) {
  stop_requested = 1;
}

constexpr long kPollMs = 200;
constexpr const char* kLocalConfig = "gammu-smsdrc";
constexpr const char* kSystemConfig = "/etc/gammu-smsdrc";

std::int64_t monotonic_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

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
  const std::string start_folder = std::filesystem::current_path().string();
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

  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  outbound::SmsBridge* bridge_for_notes = nullptr;
  outbound::GammuFilesGateway gateway(settings, [&](const std::string& text) {
    if (bridge_for_notes) bridge_for_notes->log(text);
  });
  outbound::SmsBridge bridge(folders, gateway, wall_ms);
  bridge_for_notes = &bridge;
  try {
    bridge.log("started; programming folder " + folders.programming_folder +
               ", incoming-message folder " + folders.incoming_folder + ", unit log " +
               (folders.unit_log_file.empty() ? "none" : folders.unit_log_file) +
               ", gammu-smsd configuration " + config + " (outbox " + settings.outbox + ", inbox " +
               settings.inbox + ")");
    if (!settings.stores_reports)
      bridge.log("no delivery reports: the daemon keeps none without \"deliveryreport = sms\"");
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-sms-bridge: %s\n", e.what());
    return 1;
  }
  while (!stop_requested) {
    try {
      bridge.poll(monotonic_ms());
    } catch (const std::exception& e) {
      // A folder that is briefly unwritable is no reason to stop; what was
      // not passed on comes again.
      std::fprintf(stderr, "tarvex-sms-bridge: %s\n", e.what());
    }
    timespec pause{0, kPollMs * 1000000L};
    nanosleep(&pause, nullptr);  // a signal cuts the pause short
  }
  try {
    bridge.log("stopped");
  } catch (const std::exception&) {
  }
  return 0;
}
