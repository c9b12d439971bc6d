#include "platform/winsock_tcp_transport.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace tarvex::platform {

namespace {

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
  if (lookup_.start(host)) return true;
  error_ = lookup_.start_error();
  return false;
}

WinsockTcpTransport::Status WinsockTcpTransport::poll_lookup(std::string& address) {
  switch (lookup_.poll(address)) {
    case HostLookup::State::None:
      return fail(WSAEINVAL);
    case HostLookup::State::Pending:
      return Status::Pending;
    case HostLookup::State::NotFound:
      return fail(WSAHOST_NOT_FOUND);
    case HostLookup::State::Found:
      break;
  }
  return Status::Done;
}

void WinsockTcpTransport::cancel_lookup() {
  lookup_.cancel();
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
  lookup_.cancel();
  if (socket_ != INVALID_SOCKET) ::closesocket(static_cast<SOCKET>(socket_));
  socket_ = INVALID_SOCKET;
}

}  // namespace tarvex::platform
