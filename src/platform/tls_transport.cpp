#include "platform/tls_transport.h"

#ifdef _WIN32
#include <winsock2.h>
// After winsock2.h, which they need.
#include <wincrypt.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif
#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>

namespace tarvex::platform {

namespace {

constexpr int kChunk = 16384;

bool is_ip_address(const std::string& name) {
  unsigned char buffer[16];
  return inet_pton(AF_INET, name.c_str(), buffer) == 1 ||
         inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

#ifdef _WIN32
// The certificates Windows trusts (its "ROOT" store, kept up to date by
// Windows Update and the PC's administrators) are trusted here as well.
void trust_windows_roots(SSL_CTX* context) {
  X509_STORE* trusted = SSL_CTX_get_cert_store(context);
  const HCERTSTORE roots = CertOpenSystemStoreW(0, L"ROOT");
  if (!trusted || !roots) return;
  for (PCCERT_CONTEXT entry = CertEnumCertificatesInStore(roots, nullptr); entry;
       entry = CertEnumCertificatesInStore(roots, entry)) {
    const unsigned char* der = entry->pbCertEncoded;
    if (X509* certificate = d2i_X509(nullptr, &der, static_cast<long>(entry->cbCertEncoded))) {
      X509_STORE_add_cert(trusted, certificate);  // a second copy is refused, and harmless
      X509_free(certificate);
    }
  }
  CertCloseStore(roots, 0);
  ERR_clear_error();
}
#endif

}  // namespace

TlsTransport::TlsTransport(std::unique_ptr<TcpTransport> inner) : inner_(std::move(inner)) {}

TlsTransport::~TlsTransport() {
  end_tls();
}

void TlsTransport::end_tls() {
  if (ssl_) SSL_free(ssl_);  // frees both memory BIOs with it
  if (context_) SSL_CTX_free(context_);
  ssl_ = nullptr;
  context_ = nullptr;
  from_server_ = to_server_ = nullptr;
  outgoing_.clear();
  state_ = State::Plain;
}

void TlsTransport::close() {
  end_tls();
  failure_.clear();
  inner_->close();
}

TcpTransport::Status TlsTransport::start_connect(const std::string& address, std::uint16_t port) {
  end_tls();
  failure_.clear();
  return inner_->start_connect(address, port);
}

TcpTransport::Status TlsTransport::tls_failed(const std::string& cause) {
  failure_ = cause;
  error_ = EPROTO;
  state_ = State::Broken;
  return Status::Failed;
}

TcpTransport::Status TlsTransport::inner_failed() {
  error_ = inner_->last_error();
  state_ = State::Broken;
  return Status::Failed;
}

std::string TlsTransport::describe_failure() const {
  if (ssl_) {
    const long verdict = SSL_get_verify_result(ssl_);
    if (verdict != X509_V_OK)
      return std::string("the server's certificate was not accepted (") +
             X509_verify_cert_error_string(verdict) + ")";
  }
  const unsigned long code = ERR_peek_last_error();
  const char* reason = code ? ERR_reason_error_string(code) : nullptr;
  return std::string("the TLS connection failed (") + (reason ? reason : "protocol error") + ")";
}

TcpTransport::Status TlsTransport::start_tls(const std::string& server_name,
                                             const std::string& trust_file) {
  end_tls();
  failure_.clear();
  ERR_clear_error();
  context_ = SSL_CTX_new(TLS_client_method());
  if (!context_) return tls_failed("TLS could not be set up");
  SSL_CTX_set_min_proto_version(context_, TLS1_2_VERSION);
  SSL_CTX_set_verify(context_, SSL_VERIFY_PEER, nullptr);
  SSL_CTX_set_default_verify_paths(context_);
#ifdef _WIN32
  trust_windows_roots(context_);
#endif
  if (!trust_file.empty() &&
      SSL_CTX_load_verify_locations(context_, trust_file.c_str(), nullptr) != 1)
    return tls_failed("the certificate file \"" + trust_file + "\" could not be read");
  ssl_ = SSL_new(context_);
  from_server_ = BIO_new(BIO_s_mem());
  to_server_ = BIO_new(BIO_s_mem());
  if (!ssl_ || !from_server_ || !to_server_) {
    if (from_server_) BIO_free(from_server_);
    if (to_server_) BIO_free(to_server_);
    from_server_ = to_server_ = nullptr;
    return tls_failed("TLS could not be set up");
  }
  SSL_set_bio(ssl_, from_server_, to_server_);
  SSL_set_connect_state(ssl_);
  if (is_ip_address(server_name)) {
    X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_), server_name.c_str());
  } else {
    SSL_set_tlsext_host_name(ssl_, server_name.c_str());
    SSL_set1_host(ssl_, server_name.c_str());
  }
  state_ = State::Handshake;
  return poll_tls();
}

TcpTransport::Status TlsTransport::flush() {
  char buffer[kChunk];
  int n;
  while ((n = BIO_read(to_server_, buffer, sizeof buffer)) > 0)
    outgoing_.append(buffer, static_cast<std::size_t>(n));
  while (!outgoing_.empty()) {
    std::size_t sent = 0;
    const Status result = inner_->send(outgoing_.data(), outgoing_.size(), sent);
    if (result == Status::Failed) return inner_failed();
    if (result == Status::Pending || sent == 0) return Status::Pending;
    outgoing_.erase(0, sent);
  }
  return Status::Done;
}

TcpTransport::Status TlsTransport::pull() {
  std::string raw;
  const Status result = inner_->receive(raw);
  if (result == Status::Failed) return inner_failed();
  if (result == Status::Done) BIO_write(from_server_, raw.data(), static_cast<int>(raw.size()));
  return result;
}

TcpTransport::Status TlsTransport::poll_tls() {
  if (state_ == State::Secure) return Status::Done;
  if (state_ != State::Handshake) return Status::Failed;
  for (;;) {
    const int done = SSL_do_handshake(ssl_);
    if (flush() == Status::Failed) return Status::Failed;
    if (done == 1) {
      state_ = State::Secure;
      return Status::Done;
    }
    if (SSL_get_error(ssl_, done) != SSL_ERROR_WANT_READ) return tls_failed(describe_failure());
    const Status got = pull();
    if (got == Status::Pending) return Status::Pending;
    if (got == Status::Closed)
      return tls_failed("the server closed the connection during the TLS handshake");
    if (got == Status::Failed) return got;
  }
}

TcpTransport::Status TlsTransport::send(const char* data, std::size_t size, std::size_t& sent) {
  if (state_ == State::Plain) return inner_->send(data, size, sent);
  sent = 0;
  if (state_ != State::Secure) return tls_failed(failure_.empty() ? "TLS has failed" : failure_);
  // Bytes still waiting from the last call go first, and hold back new ones.
  const Status earlier = flush();
  if (earlier != Status::Done) return earlier;
  if (size == 0) return Status::Done;
  const int n = SSL_write(ssl_, data, static_cast<int>(std::min<std::size_t>(size, kChunk)));
  if (n <= 0) return tls_failed(describe_failure());
  sent = static_cast<std::size_t>(n);
  return flush() == Status::Failed ? Status::Failed : Status::Done;
}

TcpTransport::Status TlsTransport::receive(std::string& out) {
  if (state_ == State::Plain) return inner_->receive(out);
  if (state_ != State::Secure) return tls_failed(failure_.empty() ? "TLS has failed" : failure_);
  if (flush() == Status::Failed) return Status::Failed;
  bool got_any = false;
  char buffer[kChunk];
  for (;;) {
    const int n = SSL_read(ssl_, buffer, sizeof buffer);
    if (n > 0) {
      out.append(buffer, static_cast<std::size_t>(n));
      got_any = true;
      continue;
    }
    const int why = SSL_get_error(ssl_, n);
    if (flush() == Status::Failed) return Status::Failed;
    if (why == SSL_ERROR_ZERO_RETURN) return got_any ? Status::Done : Status::Closed;
    if (why != SSL_ERROR_WANT_READ) return tls_failed(describe_failure());
    // Hand back what is decrypted before waiting for more, so that a reply
    // line is never held up by the bytes behind it.
    if (got_any) return Status::Done;
    const Status more = pull();
    if (more != Status::Done) return more;
  }
}

}  // namespace tarvex::platform
