#include "platform/host_lookup.h"

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <mutex>
#include <system_error>
#include <thread>

namespace tarvex::platform {

struct HostLookup::Shared {
  std::mutex mutex;
  bool finished = false;
  bool found = false;
  std::string address;
};

namespace {

bool resolve_name(const std::string& host, std::string& address) {
#ifdef _WIN32
  // Windows Sockets is counted per use; the thread may outlive its transport.
  WSADATA data;
  if (WSAStartup(MAKEWORD(2, 2), &data) != 0) return false;
  struct Cleanup {
    ~Cleanup() { WSACleanup(); }
  } cleanup;
#endif
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

}  // namespace

bool HostLookup::start(const std::string& host) {
  auto shared = std::make_shared<Shared>();
  try {
    std::thread([shared, host] {
      std::string address;
      const bool found = resolve_name(host, address);
      std::lock_guard lock(shared->mutex);
      shared->found = found;
      shared->address = std::move(address);
      shared->finished = true;
    }).detach();
  } catch (const std::system_error& e) {
    start_error_ = e.code().value();
    return false;
  }
  shared_ = std::move(shared);
  return true;
}

HostLookup::State HostLookup::poll(std::string& address) const {
  if (!shared_) return State::None;
  std::lock_guard lock(shared_->mutex);
  if (!shared_->finished) return State::Pending;
  if (!shared_->found) return State::NotFound;
  address = shared_->address;
  return State::Found;
}

}  // namespace tarvex::platform
