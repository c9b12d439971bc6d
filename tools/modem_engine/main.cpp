// tarvex-modem-engine: takes the modem engine's place. Started with no
// arguments in the start-up folder of the programmer, it reads the programming
// folder and the incoming-message folder from lines 1 and 3 of setup.txt
// there, and until SIGTERM or SIGINT it takes the outbox files, logs what it
// would have sent in modem-engine.log and answers each message with a line in
// the incoming-message folder.

#include <cstdio>
#include <exception>

#include "../engine_loop.h"
#include "outbound/modem_engine_standin.h"
#include "platform/file_api.h"

int main() {
  using tarvex::outbound::ModemEngineStandin;
  const std::string start_folder = tarvex::platform::current_folder();
  tarvex::outbound::EngineFolders folders;
  try {
    folders = tarvex::outbound::engine_folders(start_folder);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "tarvex-modem-engine: %s\n", e.what());
    return 1;
  }
  ModemEngineStandin engine(folders, tarvex::outbound::local_timestamp);
  return tarvex::tools::run_engine("tarvex-modem-engine", engine,
                                   "started; programming folder " + folders.programming_folder +
                                       ", incoming-message folder " + folders.incoming_folder);
}
