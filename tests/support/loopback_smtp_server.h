#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

namespace tarvex::testing {

// A port on 127.0.0.1 that nothing listens on right now.
int free_port();

// An SMTP server of Debian's python3-aiosmtpd on 127.0.0.1, storing what it
// receives in folder/maildir; stopped when the object goes.
class LoopbackSmtpServer {
 public:
  // Plain SMTP, any sender, no login.
  explicit LoopbackSmtpServer(const std::string& folder);
  // /usr/bin/python3 with these arguments; "{port}" and "{maildir}" in them
  // stand for the server's port and mail folder.
  LoopbackSmtpServer(const std::string& folder, std::vector<std::string> python_arguments);
  ~LoopbackSmtpServer();
  LoopbackSmtpServer(const LoopbackSmtpServer&) = delete;
  LoopbackSmtpServer& operator=(const LoopbackSmtpServer&) = delete;

  bool ready() const { return ready_; }
  int port() const { return port_; }
  const std::string& diagnostics() const { return diagnostics_; }

  // The stored messages, each with the header that names the client's own
  // port removed.
  std::vector<std::string> messages() const;

 private:
  int port_;
  std::string maildir_;
  pid_t pid_ = -1;
  bool ready_ = false;
  std::string diagnostics_;
};

}  // namespace tarvex::testing
