#pragma once

#include "platform/host_lookup.h"
#include "platform/tcp_transport.h"

namespace tarvex::platform {

// The TCP transport on POSIX sockets: a non-blocking socket whose connect is
// polled, and a host-name look-up that runs on a helper thread so that the
// caller can keep polling (and give up) while the resolver works.
class PosixTcpTransport final : public TcpTransport {
 public:
  PosixTcpTransport() = default;
  ~PosixTcpTransport() override;
  PosixTcpTransport(const PosixTcpTransport&) = delete;
  PosixTcpTransport& operator=(const PosixTcpTransport&) = delete;

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

  int socket_ = -1;
  int error_ = 0;
  HostLookup lookup_;
};

}  // namespace tarvex::platform
