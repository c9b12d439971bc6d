#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/tcp_transport.h"

namespace tarvex::testing {

// A TcpTransport with a scripted SMTP server behind it. It answers every
// command line from a table of replies by verb, records what the client
// sends, and can refuse, stay silent or close the connection where a test
// wants it to.
class ScriptedSmtpServer final : public platform::TcpTransport {
 public:
  struct Reply {
    std::string text;          // bytes sent back, CR LF included
    bool close_after = false;  // the server closes once the reply is read
    bool silent = false;       // no reply at all
  };

  ScriptedSmtpServer();

  // --- what the server does ---
  std::map<std::string, std::string> hosts = {{"mail.example.net", "192.0.2.25"}};
  bool lookup_never_ends = false;
  enum class Connect { Accept, Refuse, NeverAnswer } connect = Connect::Accept;
  Reply greeting{"220 mail.example.net ESMTP ready\r\n"};
  // By verb: HELO, EHLO, STARTTLS, AUTH, RSET, MAIL, RCPT, DATA, "." (end
  // of data), QUIT.
  std::map<std::string, Reply> replies;
  // RCPT replies by address, before the verb table.
  std::map<std::string, Reply> rcpt_replies;
  // Bytes the connection takes per send call (0: all of them).
  std::size_t take_per_send = 0;
  // The next receive fails with this errno (0: none).
  int receive_error = 0;
  // Every reply is seen only after this many receive polls, so that the
  // client waits (and pumps messages) for each one.
  int delay_polls = 0;
  // Instead of any further reply, every receive brings these bytes again,
  // up to flood_limit bytes in all: a server that never stops talking.
  std::string flood;
  std::size_t flood_limit = 4u << 20;
  // TLS is played, not spoken: start_tls() succeeds at once unless a cause
  // to refuse it is given here.
  std::string tls_refusal;
  // Sent to the client right after the STARTTLS go-ahead, in clear.
  std::string after_starttls;

  // --- what the client did ---
  std::vector<std::string> commands;  // command lines without CR LF
  std::string data;                   // bytes between DATA and the final ".\r\n"
  std::vector<std::size_t> send_sizes;
  std::string connected_address;
  std::uint16_t connected_port = 0;
  int lookups = 0;
  int connects = 0;
  int closes = 0;
  bool open() const { return open_; }
  // How many commands came before TLS was started (all, when it never was).
  std::size_t commands_in_clear() const { return secured_ ? clear_count_ : commands.size(); }
  std::string tls_server_name;
  std::string tls_trust_file;

  bool start_lookup(const std::string& host) override;
  Status poll_lookup(std::string& address) override;
  void cancel_lookup() override {}
  Status start_connect(const std::string& address, std::uint16_t port) override;
  Status poll_connect() override;
  Status send(const char* data, std::size_t size, std::size_t& sent) override;
  Status receive(std::string& out) override;
  Status start_tls(const std::string& server_name, const std::string& trust_file) override;
  Status poll_tls() override { return secured_ ? Status::Done : Status::Failed; }
  std::string tls_failure() const override { return tls_refusal; }
  void close() override;
  int last_error() const override { return error_; }

 private:
  void handle_line(const std::string& line);
  void queue(const Reply& reply);

  std::string lookup_host_;
  bool open_ = false;
  bool in_data_ = false;
  bool closing_ = false;
  bool silent_ = false;
  std::string from_client_;
  std::string to_client_;
  int held_polls_ = 0;
  int error_ = 0;
  bool secured_ = false;
  std::size_t clear_count_ = 0;
  std::size_t flooded_ = 0;
};

}  // namespace tarvex::testing
