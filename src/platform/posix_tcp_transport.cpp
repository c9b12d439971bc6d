#include "platform/posix_tcp_transport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

namespace tarvex::platform {

// Shared between the transport and the resolver thread, so that a look-up
// that is given up can finish on its own without touching the transport.
struct PosixTcpTransport::Lookup {
  std::mutex mutex;
  bool finished = false;
  bool found = false;
  std::string address;
};

namespace {

// The first IPv4 address of a name, else its first IPv6 address.
bool resolve_name(const std::string& host, std::string& address) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  const addrinfo* chosen = nullptr;
  for (const addrinfo* a = found; a; a = a->ai_next)
    if (a->ai_family == AF_INET) {
      chosen = a;
      break;
    }
  if (!chosen)
    for (const addrinfo* a = found; a; a = a->ai_next)
      if (a->ai_family == AF_INET6) {
        chosen = a;
        break;
      }
  char text[INET6_ADDRSTRLEN] = {};
  bool ok = false;
  if (chosen && chosen->ai_family == AF_INET) {
    auto* in = reinterpret_cast<const sockaddr_in*>(chosen->ai_addr);
    ok = inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr;
  } else if (chosen) {
    auto* in6 = reinterpret_cast<const sockaddr_in6*>(chosen->ai_addr);
    ok = inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text) != nullptr;
  }
  freeaddrinfo(found);
  if (ok) address = text;
  return ok;
}

}  // namespace

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
  auto lookup = std::make_shared<Lookup>();
  try {
    std::thread([lookup, host] {
      std::string address;
      const bool found = resolve_name(host, address);
      std::lock_guard lock(lookup->mutex);
      lookup->found = found;
      lookup->address = std::move(address);
      lookup->finished = true;
    }).detach();
  } catch (const std::system_error& e) {
    error_ = e.code().value();
    return false;
  }
  lookup_ = std::move(lookup);
  return true;
}

PosixTcpTransport::Status PosixTcpTransport::poll_lookup(std::string& address) {
  if (!lookup_) return fail(EINVAL);
  std::lock_guard lock(lookup_->mutex);
  if (!lookup_->finished) return Status::Pending;
  if (!lookup_->found) return fail(EHOSTUNREACH);
  address = lookup_->address;
  return Status::Done;
}

void PosixTcpTransport::cancel_lookup() {
  lookup_.reset();
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
  lookup_.reset();
  if (socket_ >= 0) ::close(socket_);
  socket_ = -1;
}

}  // namespace tarvex::platform
