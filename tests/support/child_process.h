#pragma once

#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

namespace tarvex::testing {

#ifndef _WIN32
// Starts program with arguments in working_folder; returns its process id.
// environment: "NAME=value" settings added to this process's environment;
// output: a file that its standard output and error are appended to.
pid_t start_program(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& working_folder,
                    const std::vector<std::string>& environment = {},
                    const std::string& output = {});

// Sends SIGTERM and waits up to 10 s (then SIGKILL). Returns the exit code,
// or -1 when it did not end by itself.
int stop_program(pid_t process);
#endif

// Polls done every 50 ms until it holds or seconds have passed; returns its
// last answer.
bool wait_until(const std::function<bool()>& done, int seconds);

}  // namespace tarvex::testing
