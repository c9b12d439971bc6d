#include "platform/winsock_tcp_transport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <system_error>
#include <thread>

namespace tarvex::platform {

struct WinsockTcpTransport::Lookup {
  std::mutex mutex;
  bool finished = false;
  bool found = false;
  std::string address;
};

namespace {

// Windows Sockets is counted per use: every user starts and ends it, so a
// look-up thread that outlives its transport still has it.
class WinsockUse {
 public:
  WinsockUse() {
    WSADATA data;
    error_ = WSAStartup(MAKEWORD(2, 2), &data);
  }
  ~WinsockUse() {
    if (error_ == 0) WSACleanup();
  }
  WinsockUse(const WinsockUse&) = delete;
  WinsockUse& operator=(const WinsockUse&) = delete;
  int error() const { return error_; }

 private:
  int error_;
};

// The first IPv4 address of a name, else its first IPv6 address.
bool resolve_name(const std::string& host, std::string& address) {
  WinsockUse use;
  if (use.error()) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return false;
  const addrinfo* chosen = nullptr;
  for (int family : {AF_INET, AF_INET6}) {
    for (const addrinfo* a = found; a && !chosen; a = a->ai_next)
      if (a->ai_family == family) chosen = a;
    if (chosen) break;
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

bool would_block(int error) {
  return error == WSAEWOULDBLOCK || error == WSAEINPROGRESS || error == WSAEINTR;
}

}  // namespace

std::unique_ptr<TcpTransport> make_tcp_transport() {
  return std::make_unique<WinsockTcpTransport>();
}

WinsockTcpTransport::WinsockTcpTransport() : socket_(INVALID_SOCKET) {
  WSADATA data;
  const int error = WSAStartup(MAKEWORD(2, 2), &data);
  started_ = error == 0;
  if (!started_) error_ = error;
}

WinsockTcpTransport::~WinsockTcpTransport() {
  close();
  if (started_) WSACleanup();
}

WinsockTcpTransport::Status WinsockTcpTransport::fail(int error) {
  error_ = error ? error : WSAEINVAL;
  return Status::Failed;
}

bool WinsockTcpTransport::start_lookup(const std::string& host) {
  if (!started_) return false;
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

WinsockTcpTransport::Status WinsockTcpTransport::poll_lookup(std::string& address) {
  if (!lookup_) return fail(WSAEINVAL);
  std::lock_guard lock(lookup_->mutex);
  if (!lookup_->finished) return Status::Pending;
  if (!lookup_->found) return fail(WSAHOST_NOT_FOUND);
  address = lookup_->address;
  return Status::Done;
}

void WinsockTcpTransport::cancel_lookup() {
  lookup_.reset();
}

WinsockTcpTransport::Status WinsockTcpTransport::start_connect(const std::string& address,
                                                               std::uint16_t port) {
  close();
  if (!started_) return fail(WSANOTINITIALISED);
  sockaddr_storage target{};
  int length = 0;
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
    return fail(WSAEDESTADDRREQ);
  }
  const SOCKET s = ::socket(target.ss_family, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return fail(WSAGetLastError());
  socket_ = s;
  u_long non_blocking = 1;
  if (ioctlsocket(s, FIONBIO, &non_blocking) != 0) {
    const int error = WSAGetLastError();
    close();
    return fail(error);
  }
  if (::connect(s, reinterpret_cast<sockaddr*>(&target), length) == 0) return Status::Done;
  const int error = WSAGetLastError();
  if (would_block(error)) return Status::Pending;
  close();
  return fail(error);
}

WinsockTcpTransport::Status WinsockTcpTransport::poll_connect() {
  if (socket_ == INVALID_SOCKET) return fail(WSAENOTCONN);
  const SOCKET s = static_cast<SOCKET>(socket_);
  // A refused connect shows in the exception set, not as writable.
  fd_set writable, failed;
  FD_ZERO(&writable);
  FD_ZERO(&failed);
  FD_SET(s, &writable);
  FD_SET(s, &failed);
  timeval now{0, 0};
  const int ready = ::select(0, nullptr, &writable, &failed, &now);
  if (ready == SOCKET_ERROR) return fail(WSAGetLastError());
  if (ready == 0) return Status::Pending;
  int error = 0;
  int size = sizeof error;
  if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size) != 0)
    error = WSAGetLastError();
  if (error == 0 && FD_ISSET(s, &writable)) return Status::Done;
  close();
  return fail(error ? error : WSAECONNREFUSED);
}

WinsockTcpTransport::Status WinsockTcpTransport::send(const char* data, std::size_t size,
                                                      std::size_t& sent) {
  sent = 0;
  if (socket_ == INVALID_SOCKET) return fail(WSAENOTCONN);
  if (size == 0) return Status::Done;
  const int chunk = size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
  const int n = ::send(static_cast<SOCKET>(socket_), data, chunk, 0);
  if (n != SOCKET_ERROR) {
    sent = static_cast<std::size_t>(n);
    return Status::Done;
  }
  const int error = WSAGetLastError();
  return would_block(error) ? Status::Pending : fail(error);
}

WinsockTcpTransport::Status WinsockTcpTransport::receive(std::string& out) {
  if (socket_ == INVALID_SOCKET) return fail(WSAENOTCONN);
  char buffer[65536];
  const int n = ::recv(static_cast<SOCKET>(socket_), buffer, sizeof buffer, 0);
  if (n > 0) {
    out.append(buffer, static_cast<std::size_t>(n));
    return Status::Done;
  }
  if (n == 0) return Status::Closed;
  const int error = WSAGetLastError();
  return would_block(error) ? Status::Pending : fail(error);
}

void WinsockTcpTransport::close() {
  lookup_.reset();
  if (socket_ != INVALID_SOCKET) ::closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
}

}  // namespace tarvex::platform
