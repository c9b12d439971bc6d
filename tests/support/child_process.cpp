#include "support/child_process.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <thread>

namespace tarvex::testing {

#ifndef _WIN32
pid_t start_program(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& working_folder, const std::vector<std::string>& environment,
                    const std::string& output) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child == 0) {
    for (const auto& setting : environment) putenv(const_cast<char*>(setting.c_str()));
    if (!output.empty()) {
      const int fd = open(output.c_str(), O_WRONLY | O_APPEND | O_CREAT, 0644);
      if (fd < 0) _exit(127);
      dup2(fd, 1);
      dup2(fd, 2);
      close(fd);
    }
    if (chdir(working_folder.c_str()) == 0) execv(program.c_str(), argv.data());
    _exit(127);
  }
  return child;
}

int stop_program(pid_t process) {
  if (process <= 0) return -1;
  kill(process, SIGTERM);
  int status = -1;
  const bool ended = wait_until([&] { return waitpid(process, &status, WNOHANG) == process; }, 10);
  if (!ended) {
    kill(process, SIGKILL);
    waitpid(process, &status, 0);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

bool wait_until(const std::function<bool()>& done, int seconds) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::seconds(seconds);
  for (;;) {
    if (done()) return true;
    if (Clock::now() >= deadline) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

}  // namespace tarvex::testing
