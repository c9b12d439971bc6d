#include "platform/posix_tcp_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tarvex::platform {

std::unique_ptr<TcpTransport> make_tcp_transport() {
  return std::make_unique<PosixTcpTransport>();
}

PosixTcpTransport::~PosixTcpTransport() {
  close();
}

PosixTcpTransport::Status PosixTcpTransport::fail(int error) {
  error_ = error ? error : EIO;
  return Status::Failed;
}

bool PosixTcpTransport::start_lookup(const std::string& host) {
  if (lookup_.start(host)) return true;
  error_ = lookup_.start_error();
  return false;
}

PosixTcpTransport::Status PosixTcpTransport::poll_lookup(std::string& address) {
  switch (lookup_.poll(address)) {
    case HostLookup::State::None:
      return fail(EINVAL);
    case HostLookup::State::Pending:
      return Status::Pending;
    case HostLookup::State::NotFound:
      return fail(EHOSTUNREACH);
    case HostLookup::State::Found:
      break;
  }
  return Status::Done;
}

void PosixTcpTransport::cancel_lookup() {
  lookup_.cancel();
}

PosixTcpTransport::Status PosixTcpTransport::start_connect(const std::string& address,
                                                           std::uint16_t port) {
  close();
  sockaddr_storage target{};
  socklen_t length = 0;
  auto* in = reinterpret_cast<sockaddr_in*>(&target);
  auto* in6 = reinterpret_cast<sockaddr_in6*>(&target);
  if (inet_pton(AF_INET, address.c_str(), &in->sin_addr) == 1) {
    in->sin_family = AF_INET;
    in->sin_port = htons(port);
    length = sizeof(sockaddr_in);
  } else if (inet_pton(AF_INET6, address.c_str(), &in6->sin6_addr) == 1) {
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    length = sizeof(sockaddr_in6);
  } else {
    return fail(EDESTADDRREQ);
  }
  socket_ = ::socket(target.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (socket_ < 0) return fail(errno);
  if (::connect(socket_, reinterpret_cast<sockaddr*>(&target), length) == 0) return Status::Done;
  if (errno == EINPROGRESS || errno == EINTR) return Status::Pending;
  const int error = errno;
  close();
  return fail(error);
}

PosixTcpTransport::Status PosixTcpTransport::poll_connect() {
  if (socket_ < 0) return fail(ENOTCONN);
  pollfd p{socket_, POLLOUT, 0};
  const int ready = ::poll(&p, 1, 0);
  if (ready < 0) return errno == EINTR ? Status::Pending : fail(errno);
  if (ready == 0) return Status::Pending;
  int error = 0;
  socklen_t size = sizeof error;
  if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &size) != 0) error = errno;
  if (error == 0) return Status::Done;
  close();
  return fail(error);
}

PosixTcpTransport::Status PosixTcpTransport::send(const char* data, std::size_t size,
                                                  std::size_t& sent) {
  sent = 0;
  if (socket_ < 0) return fail(ENOTCONN);
  if (size == 0) return Status::Done;
  // No SIGPIPE when the server has gone: the error comes back as EPIPE.
  const ssize_t n = ::send(socket_, data, size, MSG_NOSIGNAL);
  if (n >= 0) {
    sent = static_cast<std::size_t>(n);
    return Status::Done;
  }
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return Status::Pending;
  return fail(errno);
}

PosixTcpTransport::Status PosixTcpTransport::receive(std::string& out) {
  if (socket_ < 0) return fail(ENOTCONN);
  char buffer[65536];
  const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
  if (n > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
    return Status::Done;
  }
  if (n == 0) return Status::Closed;
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return Status::Pending;
  return fail(errno);
}

void PosixTcpTransport::close() {
  lookup_.cancel();
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

}  // namespace tarvex::platform
