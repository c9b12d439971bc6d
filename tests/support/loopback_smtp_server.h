#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

namespace tarvex::testing {

#ifndef _WIN32
// A port on 127.0.0.1 that nothing listens on right now.
int free_port();
#endif

// An SMTP server of Debian's python3-aiosmtpd on 127.0.0.1, storing what it
// receives in folder/maildir; stopped when the object goes.
class LoopbackSmtpServer {
 public:
  // A server started before the tests by whoever runs them, for a test
  // program that cannot start one itself (one under Wine cannot start
  // Debian's Python): the folder TARVEX_OUTSIDE_SMTP_SERVERS names holds
  // name/port and name/maildir, whose messages are cleared here. Not
  // ready() when there is none.
  static std::unique_ptr<LoopbackSmtpServer> started_outside(const std::string& name);

#ifndef _WIN32
  // Plain SMTP, any sender, no login.
  explicit LoopbackSmtpServer(const std::string& folder);
  // /usr/bin/python3 with these arguments; "{port}" and "{maildir}" in them
  // stand for the server's port and mail folder.
  LoopbackSmtpServer(const std::string& folder, std::vector<std::string> python_arguments);
#endif
  ~LoopbackSmtpServer();
  LoopbackSmtpServer(const LoopbackSmtpServer&) = delete;
  LoopbackSmtpServer& operator=(const LoopbackSmtpServer&) = delete;

  bool ready() const {
    return ready_;
  }
  int port() const {
    return port_;
  }
  const std::string& diagnostics() const {
    return diagnostics_;
  }

  // The stored messages, each with the header that names the client's own
  // port removed.
  std::vector<std::string> messages() const;

 private:
  LoopbackSmtpServer() = default;

  int port_ = 0;
  std::string maildir_;
#ifndef _WIN32
  pid_t pid_ = -1;
#endif
  bool ready_ = false;
  std::string diagnostics_;
};

}  // namespace tarvex::testing
