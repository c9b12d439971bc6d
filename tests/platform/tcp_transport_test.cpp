// The platform's own sockets (POSIX or Windows Sockets, whichever this is
// built with) against a peer in this process on the loopback interface.
#include "platform/tcp_transport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

#include <chrono>
#include <functional>
#include <thread>

#include "outbound/socket_errors.h"

namespace tarvex::platform {
namespace {

#ifdef _WIN32
using Socket = SOCKET;
void close_socket(Socket s) {
  closesocket(s);
}
#else
using Socket = int;
void close_socket(Socket s) {
  ::close(s);
}
#endif

// A socket bound to a free port on 127.0.0.1.
Socket bound_socket(std::uint16_t& port) {
  const Socket s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  port = ntohs(a.sin_port);
  return s;
}

// Accepts one connection, reads one line, answers "250 " and the line, and
// closes the connection.
class LoopbackPeer {
 public:
  LoopbackPeer() {
#ifdef _WIN32
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
#endif
    listener_ = bound_socket(port_);
    ::listen(listener_, 1);
    thread_ = std::thread([this] {
      const Socket s = ::accept(listener_, nullptr, nullptr);
      std::string line;
      char c;
      while (line.empty() || line.back() != '\n')
        if (::recv(s, &c, 1, 0) != 1)
          break;
        else
          line += c;
      const std::string answer = "250 " + line;
      ::send(s, answer.data(), static_cast<int>(answer.size()), 0);
      close_socket(s);
    });
  }
  ~LoopbackPeer() {
    thread_.join();
    close_socket(listener_);
#ifdef _WIN32
    WSACleanup();
#endif
  }
  std::uint16_t port() const {
    return port_;
  }

 private:
  Socket listener_;
  std::uint16_t port_ = 0;
  std::thread thread_;
};

using Status = TcpTransport::Status;

// Polls until the call says something other than Pending; real sockets on
// real time, so with a generous limit.
Status poll_until_settled(const std::function<Status()>& call) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  Status status = call();
  while (status == Status::Pending && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    status = call();
  }
  return status;
}

TEST(TcpTransport, LooksUpConnectsExchangesLinesAndSeesThePeerClose) {
  LoopbackPeer peer;
  const auto transport = make_tcp_transport();
  ASSERT_TRUE(transport->start_lookup("localhost"));
  std::string address;
  ASSERT_EQ(poll_until_settled([&] { return transport->poll_lookup(address); }), Status::Done);
  EXPECT_TRUE(address == "127.0.0.1" || address == "::1") << address;

  Status connect = transport->start_connect("127.0.0.1", peer.port());
  if (connect == Status::Pending)
    connect = poll_until_settled([&] { return transport->poll_connect(); });
  ASSERT_EQ(connect, Status::Done) << transport->last_error();

  const std::string line = "HELO tarvex\r\n";
  std::size_t done = 0;
  while (done < line.size()) {
    std::size_t sent = 0;
    ASSERT_NE(poll_until_settled(
                  [&] { return transport->send(line.data() + done, line.size() - done, sent); }),
              Status::Failed);
    done += sent;
  }
  std::string received;
  Status status = Status::Done;
  while (status == Status::Done)
    status = poll_until_settled([&] { return transport->receive(received); });
  EXPECT_EQ(status, Status::Closed);
  EXPECT_EQ(received, "250 HELO tarvex\r\n");
  transport->close();
}

TEST(TcpTransport, RefusedConnectionIsReportedWithItsWindowsSocketsText) {
  const auto transport = make_tcp_transport();  // starts the sockets library
  std::uint16_t port = 0;
  close_socket(bound_socket(port));  // bound once, listened on never
  Status connect = transport->start_connect("127.0.0.1", port);
  if (connect == Status::Pending)
    connect = poll_until_settled([&] { return transport->poll_connect(); });
  ASSERT_EQ(connect, Status::Failed);
  EXPECT_EQ(outbound::socket_error_text(transport->last_error()), "10061:Connection refused");
  EXPECT_EQ(transport->start_connect("not an address", 25), Status::Failed);
}

}  // namespace
}  // namespace tarvex::platform
