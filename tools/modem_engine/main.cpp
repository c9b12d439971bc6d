// tarvex-modem-engine: takes the modem engine's place. Started with no
// arguments in the start-up folder of the programmer, it reads the programming
// folder and the incoming-message folder from lines 1 and 3 of setup.txt
// there, and until SIGTERM or SIGINT it takes the outbox files, logs what it
// would have sent in modem-engine.log and answers each message with a line in
// the incoming-message folder.

#include <signal.h>
#include <time.h>

#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "outbound/modem_engine_standin.h"

namespace {

volatile sig_atomic_t stop_requested = 0;

void request_stop(int) {
  stop_requested = 1;
}

constexpr long kPollMs = 200;

std::int64_t monotonic_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main() {
  using tarvex::outbound::ModemEngineStandin;
  const std::string start_folder = std::filesystem::current_path().string();
  tarvex::outbound::EngineFolders folders;
  try {
    folders = tarvex::outbound::engine_folders(start_folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-modem-engine: %s\n", e.what());
    return 1;
  }

  struct sigaction action {};
  action.sa_handler = request_stop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);

  ModemEngineStandin engine(folders, tarvex::outbound::local_timestamp);
  try {
    engine.log("started; programming folder " + folders.programming_folder +
               ", incoming-message folder " + folders.incoming_folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-modem-engine: %s\n", e.what());
    return 1;
  }
  while (!stop_requested) {
    try {
      engine.poll(monotonic_ms());
    } catch (const std::exception& e) {
      // A folder that is briefly unwritable is no reason to stop watching.
      std::fprintf(stderr, "tarvex-modem-engine: %s\n", e.what());
    }
    timespec pause{0, kPollMs * 1000000L};
    nanosleep(&pause, nullptr);  // a signal cuts the pause short
  }
  try {
    engine.log("stopped");
  } catch (const std::exception&) {
  }
  return 0;
}
