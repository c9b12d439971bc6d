#pragma once

#include <memory>
#include <string>

#include "platform/tcp_transport.h"

typedef struct ssl_ctx_st SSL_CTX;
typedef struct ssl_st SSL;
typedef struct bio_st BIO;

namespace tarvex::platform {

// TLS (OpenSSL) over another transport. Until start_tls() it passes every
// call straight through, so that a plain session stays byte for byte what
// the inner transport carries; from then on it encrypts what is sent and
// decrypts what is received, still without ever blocking. The server's
// certificate must verify and name the server; nothing weaker is offered.
class TlsTransport final : public TcpTransport {
 public:
  explicit TlsTransport(std::unique_ptr<TcpTransport> inner);
  ~TlsTransport() override;
  TlsTransport(const TlsTransport&) = delete;
  TlsTransport& operator=(const TlsTransport&) = delete;

  bool start_lookup(const std::string& host) override { return inner_->start_lookup(host); }
  Status poll_lookup(std::string& address) override { return inner_->poll_lookup(address); }
  void cancel_lookup() override { inner_->cancel_lookup(); }
  Status start_connect(const std::string& address, std::uint16_t port) override;
  Status poll_connect() override { return inner_->poll_connect(); }
  Status send(const char* data, std::size_t size, std::size_t& sent) override;
  Status receive(std::string& out) override;
  Status start_tls(const std::string& server_name, const std::string& trust_file) override;
  Status poll_tls() override;
  std::string tls_failure() const override { return failure_; }
  void close() override;
  int last_error() const override { return error_; }

 private:
  enum class State { Plain, Handshake, Secure, Broken };

  void end_tls();
  Status tls_failed(const std::string& cause);
  Status inner_failed();
  // Moves what OpenSSL has encrypted to the inner transport, as far as it
  // takes it now. Pending while bytes are left over.
  Status flush();
  // Feeds received bytes to OpenSSL; Pending when none are waiting.
  Status pull();
  std::string describe_failure() const;

  std::unique_ptr<TcpTransport> inner_;
  State state_ = State::Plain;
  SSL_CTX* context_ = nullptr;
  SSL* ssl_ = nullptr;
  BIO* from_server_ = nullptr;  // owned by ssl_
  BIO* to_server_ = nullptr;    // owned by ssl_
  std::string outgoing_;        // encrypted bytes the inner transport has not taken yet
  std::string failure_;
  int error_ = 0;
};

}  // namespace tarvex::platform
