#include "support/scripted_smtp_server.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace tarvex::testing {

ScriptedSmtpServer::ScriptedSmtpServer() {
  replies["HELO"] = {"250 mail.example.net\r\n"};
  replies["EHLO"] = {"250-mail.example.net\r\n250-STARTTLS\r\n250 AUTH PLAIN LOGIN\r\n"};
  replies["STARTTLS"] = {"220 Ready to start TLS\r\n"};
  replies["AUTH"] = {"235 Authentication successful\r\n"};
  replies["RSET"] = {"250 OK\r\n"};
  replies["MAIL"] = {"250 OK\r\n"};
  replies["RCPT"] = {"250 OK\r\n"};
  replies["DATA"] = {"354 End data with <CR><LF>.<CR><LF>\r\n"};
  replies["."] = {"250 OK queued\r\n"};
  replies["QUIT"] = {"221 Bye\r\n", true};
}

bool ScriptedSmtpServer::start_lookup(const std::string& host) {
  ++lookups;
  lookup_host_ = host;
  return true;
}

platform::TcpTransport::Status ScriptedSmtpServer::poll_lookup(std::string& address) {
  if (lookup_never_ends) return Status::Pending;
  auto it = hosts.find(lookup_host_);
  if (it == hosts.end()) {
    error_ = EHOSTUNREACH;
    return Status::Failed;
  }
  address = it->second;
  return Status::Done;
}

platform::TcpTransport::Status ScriptedSmtpServer::start_connect(const std::string& address,
                                                                 std::uint16_t port) {
  ++connects;
  connected_address = address;
  connected_port = port;
  return poll_connect();
}

platform::TcpTransport::Status ScriptedSmtpServer::poll_connect() {
  switch (connect) {
    case Connect::Refuse:
      error_ = ECONNREFUSED;
      return Status::Failed;
    case Connect::NeverAnswer:
      return Status::Pending;
    case Connect::Accept:
      break;
  }
  open_ = true;
  in_data_ = closing_ = silent_ = secured_ = false;
  from_client_.clear();
  to_client_.clear();
  queue(greeting);
  return Status::Done;
}

void ScriptedSmtpServer::queue(const Reply& reply) {
  if (silent_ || !flood.empty()) return;
  if (reply.silent) {
    silent_ = true;
    return;
  }
  to_client_ += reply.text;
  held_polls_ = delay_polls;
  if (reply.close_after) closing_ = true;
}

void ScriptedSmtpServer::handle_line(const std::string& line) {
  if (in_data_) {
    if (line == ".\r\n") {
      in_data_ = false;
      commands.push_back(".");
      queue(replies["."]);
    } else {
      data += line;
    }
    return;
  }
  const std::string command = line.substr(0, line.size() - 2);
  commands.push_back(command);
  std::string verb = command.substr(0, command.find_first_of(" :"));
  std::transform(verb.begin(), verb.end(), verb.begin(),
                 [](unsigned char c) { return std::toupper(c); });
  if (verb == "RCPT") {
    const auto open = command.find('<');
    const auto close = command.find('>');
    if (open != std::string::npos && close != std::string::npos) {
      auto it = rcpt_replies.find(command.substr(open + 1, close - open - 1));
      if (it != rcpt_replies.end()) {
        queue(it->second);
        return;
      }
    }
  }
  const Reply& reply = replies[verb];
  if (verb == "STARTTLS") {
    queue(reply);
    to_client_ += after_starttls;
    return;
  }
  if (verb == "DATA" && reply.text.rfind("354", 0) == 0) in_data_ = true;
  queue(reply.text.empty() && !reply.silent ? Reply{"500 Unknown command\r\n"} : reply);
}

platform::TcpTransport::Status ScriptedSmtpServer::send(const char* bytes, std::size_t size,
                                                        std::size_t& sent) {
  sent = 0;
  if (!open_ || closing_) {
    error_ = EPIPE;
    return Status::Failed;
  }
  sent = take_per_send ? std::min(size, take_per_send) : size;
  send_sizes.push_back(sent);
  from_client_.append(bytes, sent);
  std::size_t lf;
  while ((lf = from_client_.find('\n')) != std::string::npos) {
    const std::string line = from_client_.substr(0, lf + 1);
    from_client_.erase(0, lf + 1);
    handle_line(line);
  }
  return Status::Done;
}

platform::TcpTransport::Status ScriptedSmtpServer::receive(std::string& out) {
  if (!open_) {
    error_ = ENOTCONN;
    return Status::Failed;
  }
  if (receive_error) {
    error_ = receive_error;
    receive_error = 0;
    return Status::Failed;
  }
  if (held_polls_ > 0) {
    --held_polls_;
    return Status::Pending;
  }
  if (!to_client_.empty()) {
    out += to_client_;
    to_client_.clear();
    return Status::Done;
  }
  if (!flood.empty() && flooded_ < flood_limit) {
    out += flood;
    flooded_ += flood.size();
    return Status::Done;
  }
  return closing_ ? Status::Closed : Status::Pending;
}

platform::TcpTransport::Status ScriptedSmtpServer::start_tls(const std::string& server_name,
                                                             const std::string& trust_file) {
  tls_server_name = server_name;
  tls_trust_file = trust_file;
  if (!open_ || !tls_refusal.empty()) {
    error_ = EPROTO;
    return Status::Failed;
  }
  secured_ = true;
  clear_count_ = commands.size();
  return Status::Done;
}

void ScriptedSmtpServer::close() {
  if (open_) ++closes;
  open_ = false;
}

}  // namespace tarvex::testing
