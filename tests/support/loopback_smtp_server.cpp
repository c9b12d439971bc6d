#include "support/loopback_smtp_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/text_file.h"

namespace tarvex::testing {

namespace {

namespace fs = std::filesystem;

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
  std::vector<char*> argv = {const_cast<char*>("python3")};
  for (auto& argument : python_arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  const std::string log = folder + "/smtp-server.log";
  pid_ = ::fork();
  if (pid_ == 0) {
    // Only async-signal-safe calls between fork and exec.
    const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd >= 0) ::dup2(fd, 2);
    ::execv("/usr/bin/python3", argv.data());
    ::_exit(127);
  }
  // It takes about half a second to listen; allow plenty on a busy machine.
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < give_up) {
    int status = 0;
    if (::waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    if (port_accepts(port_)) {
      ready_ = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (!ready_) diagnostics_ = platform::file_exists(log) ? platform::read_file(log) : "";
}

LoopbackSmtpServer::~LoopbackSmtpServer() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGTERM);
  for (int i = 0; i < 50; ++i) {
    if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
}

std::vector<std::string> LoopbackSmtpServer::messages() const {
  std::vector<std::string> out;
  const fs::path folder = fs::path(maildir_) / "new";
  if (!fs::is_directory(folder)) return out;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::string text = platform::read_file(entry.path().string());
    const auto peer = text.find("X-Peer: ");
    if (peer != std::string::npos) text.erase(peer, text.find('\n', peer) + 1 - peer);
    out.push_back(text);
  }
  return out;
}

}  // namespace tarvex::testing
