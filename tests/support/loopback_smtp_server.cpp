#include "support/loopback_smtp_server.h"

#include <cstdlib>
#include <filesystem>

// The server of the tests themselves is Debian's Python, started with
// fork(): POSIX only.
#ifndef _WIN32
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/child_process.h"
#endif

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::testing {

namespace fs = std::filesystem;

std::unique_ptr<LoopbackSmtpServer> LoopbackSmtpServer::started_outside(const std::string& name) {
  std::unique_ptr<LoopbackSmtpServer> server(new LoopbackSmtpServer());
  const char* servers = std::getenv("TARVEX_OUTSIDE_SMTP_SERVERS");
  if (!servers || !*servers) {
    server->diagnostics_ = "TARVEX_OUTSIDE_SMTP_SERVERS names no folder of servers";
    return server;
  }
  const std::string folder = platform::join_path(servers, name);
  try {
    const std::vector<std::string> port = platform::read_lines(platform::join_path(folder, "port"));
    server->port_ = port.empty() ? 0 : std::atoi(port[0].c_str());
  } catch (const std::exception& e) {
    server->diagnostics_ = e.what();
    return server;
  }
  server->maildir_ = platform::join_path(folder, "maildir");
  // Each test sees only what it sent itself.
  for (const std::string& name : platform::list_files(server->maildir_ + "/new", "*"))
    platform::remove_file(server->maildir_ + "/new/" + name);
  server->ready_ = server->port_ > 0;
  if (!server->ready_) server->diagnostics_ = "no port in " + folder;
  return server;
}

std::vector<std::string> LoopbackSmtpServer::messages() const {
  std::vector<std::string> out;
  const fs::path folder = platform::to_fs_path(maildir_) / "new";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return out;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    std::string text = platform::read_file(platform::from_fs_path(entry.path()));
    const auto peer = text.find("X-Peer: ");
    if (peer != std::string::npos) text.erase(peer, text.find('\n', peer) + 1 - peer);
    out.push_back(text);
  }
  return out;
}

#ifdef _WIN32

LoopbackSmtpServer::~LoopbackSmtpServer() = default;

#else

namespace {

bool port_accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

}  // namespace

int free_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(s);
  return ntohs(a.sin_port);
}

LoopbackSmtpServer::LoopbackSmtpServer(const std::string& folder)
    : LoopbackSmtpServer(folder, {"-m", "aiosmtpd", "-n", "-l", "127.0.0.1:{port}", "-c",
                                  "aiosmtpd.handlers.Mailbox", "{maildir}"}) {}

LoopbackSmtpServer::LoopbackSmtpServer(const std::string& folder,
                                       std::vector<std::string> python_arguments)
    : port_(free_port()), maildir_(folder + "/maildir") {
  for (auto& argument : python_arguments) {
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"{port}", std::to_string(port_)},
          {"{maildir}", maildir_}}) {
      const auto at = argument.find(mark);
      if (at != std::string::npos) argument.replace(at, mark.size(), value);
    }
  }
  pid_ = start_program("/usr/bin/python3", python_arguments, folder);
  // It takes about half a second to listen; allow plenty on a busy machine.
  bool ended = false;
  ready_ = wait_until(
               [&] {
                 ended = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
                 return ended || port_accepts(port_);
               },
               30) &&
           !ended;
  if (ended) pid_ = -1;
  if (!ready_)
    diagnostics_ = ended ? "the server ended at once (see its output above)"
                         : "nothing listens on port " + std::to_string(port_);
}

LoopbackSmtpServer::~LoopbackSmtpServer() {
  stop_program(pid_);
}

#endif

}  // namespace tarvex::testing
