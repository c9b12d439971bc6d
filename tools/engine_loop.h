#pragma once

// The life of a modem engine program: poll its folders every 200 ms until
// SIGTERM or SIGINT, noting "started" and "stopped" in its log. Shared by the
// tools that take the modem engine's place.

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

namespace tarvex::tools {

inline volatile std::sig_atomic_t engine_stop_requested = 0;

inline void request_engine_stop(int) {
  engine_stop_requested = 1;
}

inline std::int64_t monotonic_ms() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// engine: poll(now_ms) and log(text). Returns the program's exit code: 1 when
// the start can not be logged.
template <typename Engine>
int run_engine(const char* program, Engine& engine, const std::string& started) {
  // SIGINT is Ctrl+C on Windows too.
  std::signal(SIGTERM, request_engine_stop);
  std::signal(SIGINT, request_engine_stop);
  try {
    engine.log(started);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", program, e.what());
    return 1;
  }
  constexpr long kPollMs = 200;
  while (!engine_stop_requested) {
    try {
      engine.poll(monotonic_ms());
    } catch (const std::exception& e) {
      // A folder that is briefly unwritable is no reason to stop watching;
      // what was not passed on comes again.
      std::fprintf(stderr, "%s: %s\n", program, e.what());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
  }
  try {
    engine.log("stopped");
  } catch (const std::exception&) {
  }
  return 0;
}

}  // namespace tarvex::tools
