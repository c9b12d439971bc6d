#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace tarvex::platform {

// One TCP client connection that never blocks. Every call does what can be
// done at once and says whether the caller has to poll again; the caller owns
// all waiting (and so its time-outs and the message pump). When a call fails,
// last_error() gives the operating system's error number: an errno value, or
// on Windows the Windows Sockets number.
class TcpTransport {
 public:
  enum class Status {
    Pending,  // nothing yet: poll again (a would-block condition is no error)
    Done,     // finished, or some data was moved
    Failed,   // see last_error()
    Closed,   // receive only: the peer closed the connection
  };

  virtual ~TcpTransport() = default;

  // Host-name look-up. start_lookup() returns false when no look-up could be
  // started. poll_lookup() gives Done with a numeric address, or Failed when
  // the name has no address.
  virtual bool start_lookup(const std::string& host) = 0;
  virtual Status poll_lookup(std::string& address) = 0;
  // Forgets a look-up that is still running.
  virtual void cancel_lookup() = 0;

  // Opens a connection to a numeric address. Pending means poll_connect()
  // until it says Done or Failed.
  virtual Status start_connect(const std::string& address, std::uint16_t port) = 0;
  virtual Status poll_connect() = 0;

  // Hands bytes to the connection; sent says how many it took (Done, possibly
  // fewer than size). Pending when it can take none now.
  virtual Status send(const char* data, std::size_t size, std::size_t& sent) = 0;
  // Appends the bytes that are waiting to out (Done); Pending when none are.
  virtual Status receive(std::string& out) = 0;

  // Secures the open connection with TLS: at once after connecting, or after
  // the server agreed to STARTTLS. server_name is checked against the
  // server's certificate, which must lead to a certificate of the system's
  // trust store or of trust_file (PEM; empty for none). Pending means
  // poll_tls() until Done or Failed; tls_failure() then names the cause.
  // Once started, every byte sent and received goes through TLS. A
  // transport without TLS fails at once.
  virtual Status start_tls(const std::string& server_name, const std::string& trust_file) {
    (void)server_name;
    (void)trust_file;
    return Status::Failed;
  }
  virtual Status poll_tls() { return Status::Failed; }
  virtual std::string tls_failure() const { return "TLS is not available"; }

  // Closes the connection (and forgets a look-up); harmless when none is open.
  virtual void close() = 0;
  virtual int last_error() const = 0;
};

// The sockets of the platform this is built for: POSIX sockets, or Windows
// Sockets on Windows.
std::unique_ptr<TcpTransport> make_tcp_transport();

}  // namespace tarvex::platform
