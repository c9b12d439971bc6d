// tarvex-modem-engine: takes the modem engine's place. Started with no
// arguments in the start-up folder of the programmer, it reads the programming
// folder and the incoming-message folder from lines 1 and 3 of setup.txt
// there, and until SIGTERM or SIGINT it takes the outbox files, logs what it
// would have sent in modem-engine.log and answers each message with a line in
// the incoming-message folder.

#include <chrono>
#include <csignal>
#include <cstdio>
#include <exception>
#include <thread>

#include "outbound/modem_engine_standin.h"
#include "platform/file_api.h"

namespace {

volatile std::sig_atomic_t stop_requested = 0;

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
  const std::string start_folder = tarvex::platform::current_folder();
  tarvex::outbound::StandinFolders folders;
  try {
    folders = tarvex::outbound::standin_folders(start_folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-modem-engine: %s\n", e.what());
    return 1;
  }

  // Ctrl+C (SIGINT, on Windows too) and SIGTERM end the loop at its next
  // round.
  std::signal(SIGTERM, request_stop);
  std::signal(SIGINT, request_stop);

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
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  try {
    engine.log("stopped");
  } catch (const std::exception&) {
  }
  return 0;
}
