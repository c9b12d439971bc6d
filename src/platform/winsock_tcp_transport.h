#pragma once

#include <cstdint>

#include "platform/host_lookup.h"
#include "platform/tcp_transport.h"

namespace tarvex::platform {

// The TCP transport on Windows Sockets: a non-blocking socket whose connect is
// polled, and a host-name look-up on a helper thread, as on POSIX. Errors are
// the Windows Sockets numbers themselves (10061 for a refused connection).
class WinsockTcpTransport final : public TcpTransport {
 public:
  WinsockTcpTransport();
  ~WinsockTcpTransport() override;
  WinsockTcpTransport(const WinsockTcpTransport&) = delete;
  WinsockTcpTransport& operator=(const WinsockTcpTransport&) = delete;

  bool start_lookup(const std::string& host) override;
  Status poll_lookup(std::string& address) override;
  void cancel_lookup() override;
  Status start_connect(const std::string& address, std::uint16_t port) override;
  Status poll_connect() override;
  Status send(const char* data, std::size_t size, std::size_t& sent) override;
  Status receive(std::string& out) override;
  void close() override;
  int last_error() const override { return error_; }

 private:
  Status fail(int error);

  std::uintptr_t socket_;  // a SOCKET; INVALID_SOCKET when none is open
  bool started_ = false;   // WSAStartup succeeded
  int error_ = 0;
  HostLookup lookup_;
};

}  // namespace tarvex::platform
