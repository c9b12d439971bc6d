#include "outbound/smtp_client.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <random>

#include "outbound/socket_errors.h"
#include "platform/local_time.h"

namespace tarvex::outbound {

namespace {

using Status = platform::TcpTransport::Status;

// Reply lines and outgoing data go through buffers of this size.
constexpr std::size_t kBufferSize = 65536;
constexpr int kPollStepMs = 2;
// A reply of more lines than this is taken for a server that never ends it.
constexpr int kMaxReplyLines = 1000;
// How much of each reply line is kept for reading the EHLO keywords.
constexpr std::size_t kKeptReplyLine = 256;

// Header values and command arguments never carry line breaks: a break would
// end the line early and let the rest pass as a header or command of its own.
std::string one_line(std::string text) {
  std::erase_if(text, [](char c) { return c == '\r' || c == '\n'; });
  return text;
}

std::string join(const std::vector<std::string>& items, const char* separator) {
  std::string out;
  for (const auto& item : items) {
    if (!out.empty()) out += separator;
    out += item;
  }
  return out;
}

// Splits a body entry at any line break, so that no bare CR or LF reaches the
// wire.
void append_body_lines(const std::string& entry, std::vector<std::string>& lines) {
  std::size_t start = 0;
  for (std::size_t i = 0; i <= entry.size(); ++i) {
    if (i < entry.size() && entry[i] != '\r' && entry[i] != '\n') continue;
    lines.push_back(entry.substr(start, i - start));
    if (i + 1 < entry.size() && entry[i] == '\r' && entry[i + 1] == '\n') ++i;
    start = i + 1;
  }
}

long long leading_number(const std::string& line) {
  long long code = 0;
  for (std::size_t i = 0; i < line.size() && i < 10; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(line[i]))) break;
    code = code * 10 + (line[i] - '0');
  }
  return code;
}

bool is_continuation(const std::string& line) {
  return (!line.empty() && line[0] == ' ') || (line.size() >= 4 && line[3] == '-');
}

// A reply line begins with exactly three digits.
bool has_reply_code(const std::string& line) {
  auto digit = [&](std::size_t i) {
    return i < line.size() && std::isdigit(static_cast<unsigned char>(line[i]));
  };
  return digit(0) && digit(1) && digit(2) && !digit(3);
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

std::string base64(const std::string& bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
    std::uint32_t group = 0;
    for (std::size_t k = 0; k < 3; ++k)
      group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
  }
  return out;
}

std::string without_line_end(std::string line) {
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line;
}

}  // namespace

std::string mail_date(std::time_t time) {
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  // Numbers only from the time functions: their names follow the locale.
  const auto fields = [time](bool local) {
    const std::string text = local ? platform::format_local_time(time, "%Y %m %d %H %M %S %w %j")
                                   : platform::format_utc_time(time, "%Y %m %d %H %M %S %w %j");
    int f[8] = {};
    std::sscanf(text.c_str(), "%d %d %d %d %d %d %d %d", &f[0], &f[1], &f[2], &f[3], &f[4], &f[5],
                &f[6], &f[7]);
    return std::vector<int>(f, f + 8);
  };
  const auto local = fields(true);
  const auto utc = fields(false);
  const int days = local[0] != utc[0] ? (local[0] > utc[0] ? 1 : -1) : local[7] - utc[7];
  const int offset = days * 1440 + (local[3] - utc[3]) * 60 + (local[4] - utc[4]);
  char text[64];
  std::snprintf(text, sizeof text, "%s, %d %s %04d %02d:%02d:%02d %c%02d%02d", kDays[local[6] % 7],
                local[2], kMonths[(local[1] + 11) % 12], local[0], local[3], local[4], local[5],
                offset < 0 ? '-' : '+', std::abs(offset) / 60, std::abs(offset) % 60);
  return text;
}

std::string message_id(const std::string& from_address, std::time_t time) {
  static std::mt19937_64 random{std::random_device{}()};
  std::string host;
  const auto at = from_address.rfind('@');
  if (at != std::string::npos)
    for (char c : from_address.substr(at + 1))
      if (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') host += c;
  if (host.empty()) host = "localhost";
  char unique[48];
  std::snprintf(unique, sizeof unique, "%lld.%016llx", static_cast<long long>(time),
                static_cast<unsigned long long>(random()));
  return "<" + std::string(unique) + "@" + host + ">";
}

SmtpClient::SmtpClient(platform::Scheduler& scheduler,
                       std::unique_ptr<platform::TcpTransport> transport)
    : scheduler_(scheduler), transport_(std::move(transport)) {}

SmtpClient::~SmtpClient() {
  if (transport_) transport_->close();
}

void SmtpClient::set_transport(std::unique_ptr<platform::TcpTransport> transport) {
  if (connected_ || connecting_) return;
  transport_ = std::move(transport);
}

void SmtpClient::status(int level, const std::string& text) {
  if (OnStatus && ReportLevel >= level) OnStatus(text);
}

std::int64_t SmtpClient::deadline() const {
  return TimeOut > 0 ? scheduler_.now_ms() + TimeOut : std::numeric_limits<std::int64_t>::max();
}

SmtpClient::WaitEnd SmtpClient::wait_until(std::int64_t deadline,
                                           const std::function<bool()>& ready) {
  for (;;) {
    if (cancelled_) return WaitEnd::Cancelled;
    if (ready()) return WaitEnd::Ready;
    if (scheduler_.now_ms() >= deadline) {
      // An expired wait aborts the client, as a cancel would.
      timed_out_ = true;
      cancelled_ = true;
      return WaitEnd::TimedOut;
    }
    scheduler_.process_messages();
    if (cancelled_) return WaitEnd::Cancelled;
    scheduler_.sleep_ms(kPollStepMs);
  }
}

void SmtpClient::socket_failure() {
  if (secured_ && !transport_->tls_failure().empty())
    throw SmtpError(smtp_text::kTlsFailed + transport_->tls_failure());
  throw SmtpError(socket_error_text(transport_->last_error()));
}

bool SmtpClient::is_dotted_ipv4(const std::string& host) {
  int parts = 0;
  std::size_t i = 0;
  while (i <= host.size()) {
    std::size_t end = host.find('.', i);
    if (end == std::string::npos) end = host.size();
    const std::string part = host.substr(i, end - i);
    if (part.empty() || part.size() > 3) return false;
    if (!std::all_of(part.begin(), part.end(), [](unsigned char c) { return std::isdigit(c); }))
      return false;
    if (std::stoi(part) > 255) return false;
    ++parts;
    i = end + 1;
  }
  return parts == 4;
}

std::string SmtpClient::resolve_host() {
  for (int attempt = 0;; ++attempt) {
    if (is_dotted_ipv4(Host)) return Host;
    status(1, "Resolving host " + Host);
    if (!transport_->start_lookup(Host)) throw SmtpError(smtp_text::kHostLookupFailed);
    std::string address;
    Status result = Status::Pending;
    const WaitEnd end = wait_until(deadline(), [&] {
      result = transport_->poll_lookup(address);
      return result != Status::Pending;
    });
    if (end != WaitEnd::Ready) {
      transport_->cancel_lookup();
      throw SmtpError(end == WaitEnd::TimedOut ? smtp_text::kHostLookupTimedOut
                                               : smtp_text::kHostLookupCanceled);
    }
    if (result == Status::Done && !address.empty()) {
      if (OnHostResolved) OnHostResolved(address);
      return address;
    }
    bool retry = false;
    if (OnInvalidHost && attempt == 0) OnInvalidHost(retry);
    if (!retry) throw SmtpError(smtp_text::kNullRemoteAddress);
  }
}

void SmtpClient::open_connection(const std::string& address) {
  status(1, "Connecting to " + address);
  Status result = transport_->start_connect(address, Port);
  WaitEnd end = WaitEnd::Ready;
  if (result == Status::Pending) {
    end = wait_until(deadline(), [&] {
      result = transport_->poll_connect();
      return result != Status::Pending;
    });
  }
  if (end == WaitEnd::Ready && result == Status::Done) return;
  transport_->close();
  if (OnConnectionFailed) OnConnectionFailed();
  if (end == WaitEnd::TimedOut) throw SmtpError(smtp_text::kConnectionTimedOut);
  if (end == WaitEnd::Cancelled) throw SmtpError(smtp_text::kConnectionCanceled);
  throw SmtpError(smtp_text::kConnectionFailed);
}

void SmtpClient::connect() {
  // The waits below run window messages; a connect started from one of them
  // would take over the socket of the connect in progress.
  if (connected_ || connecting_) throw SmtpError(smtp_text::kAlreadyConnected);
  struct Connecting {
    bool& flag;
    explicit Connecting(bool& f) : flag(f) { flag = true; }
    ~Connecting() { flag = false; }
  } connecting(connecting_);
  cancelled_ = false;
  timed_out_ = false;
  peer_closed_ = false;
  secured_ = false;
  broken_ = false;
  inbox_.clear();
  reply_code_ = 0;
  reply_text_.clear();
  if (!transport_) throw SmtpError(smtp_text::kConnectionFailed);

  open_connection(resolve_host());
  connected_ = true;
  try {
    if (Security == SmtpSecurity::Tls) secure_connection();
    greet();
  } catch (const SmtpError&) {
    close_quietly();
    throw;
  }
  status(1, "Connected");
  if (OnConnect) OnConnect();
}

void SmtpClient::greet() {
  if (read_reply() >= 400) throw SmtpError(reply_text_);
  if (Security == SmtpSecurity::None) return say_helo();
  say_ehlo();
  if (Security == SmtpSecurity::StartTls) {
    if (!offered("STARTTLS")) throw SmtpError(smtp_text::kNoStartTls);
    if (transact("STARTTLS") != 220) throw SmtpError(reply_text_);
    secure_connection();
    // What the server said before TLS no longer counts.
    say_ehlo();
  }
  if (!LoginUser.empty()) log_in();
}

void SmtpClient::say_ehlo() {
  if (transact("EHLO " + one_line(UserID)) < 300) return;
  reply_lines_.clear();  // no extensions from a server that only knows HELO
  say_helo();
}

bool SmtpClient::offered(const std::string& keyword) const {
  // The first line greets; each further one names an extension.
  for (std::size_t i = 1; i < reply_lines_.size(); ++i) {
    const std::string line =
        upper(reply_lines_[i].substr(std::min<std::size_t>(4, reply_lines_[i].size())));
    if (line == keyword || line.rfind(keyword + " ", 0) == 0 || line.rfind(keyword + "=", 0) == 0)
      return true;
  }
  return false;
}

void SmtpClient::secure_connection() {
  // Bytes that arrived in clear after the server's go-ahead could pass as
  // replies from inside TLS.
  if (!inbox_.empty()) {
    broken_ = true;
    throw SmtpError(std::string(smtp_text::kTlsFailed) + "the server sent data ahead of TLS");
  }
  status(1, "Starting TLS");
  Status result = transport_->start_tls(Host, TrustFile);
  WaitEnd end = WaitEnd::Ready;
  if (result == Status::Pending) {
    end = wait_until(deadline(), [&] {
      result = transport_->poll_tls();
      return result != Status::Pending;
    });
  }
  broken_ = true;  // until it stands: nothing more goes out in clear
  if (end == WaitEnd::TimedOut) throw SmtpError(smtp_text::kTlsTimedOut);
  if (end == WaitEnd::Cancelled) throw SmtpError(smtp_text::kConnectionCanceled);
  if (result != Status::Done) throw SmtpError(smtp_text::kTlsFailed + transport_->tls_failure());
  broken_ = false;
  secured_ = true;
}

void SmtpClient::log_in() {
  // Mechanisms as the server lists them: "AUTH PLAIN LOGIN" or "AUTH=LOGIN".
  auto mechanism_offered = [&](const std::string& name) {
    for (std::size_t i = 1; i < reply_lines_.size(); ++i) {
      const std::string line = upper(reply_lines_[i]);
      if (line.size() < 9 || (line.compare(4, 5, "AUTH ") != 0 && line.compare(4, 5, "AUTH=") != 0))
        continue;
      if ((" " + line.substr(9) + " ").find(" " + name + " ") != std::string::npos) return true;
    }
    return false;
  };
  long long code = 0;
  if (mechanism_offered("PLAIN")) {
    code = transact("AUTH PLAIN " + base64(std::string(1, '\0') + LoginUser + '\0' + LoginPassword),
                    false, "AUTH PLAIN ********");
  } else if (mechanism_offered("LOGIN")) {
    code = transact("AUTH LOGIN");
    if (code == 334) code = transact(base64(LoginUser), false, "********");
    if (code == 334) code = transact(base64(LoginPassword), false, "********");
  } else {
    throw SmtpError(smtp_text::kNoLoginMethod);
  }
  if (code != 235) throw SmtpError(smtp_text::kLoginRefused + reply_text_);
  status(1, "Logged in");
}

void SmtpClient::say_helo() {
  for (int attempt = 0;; ++attempt) {
    if (transact("HELO " + one_line(UserID)) < 300) return;
    bool retry = false;
    if (OnAuthenticationFailed && attempt == 0) OnAuthenticationFailed(retry);
    if (!retry) throw SmtpError(smtp_text::kAuthenticationFailed);
  }
}

void SmtpClient::close_quietly() {
  try {
    disconnect();
  } catch (const SmtpError&) {
    // The error that made us close is the one to report.
  }
}

void SmtpClient::check_connection() {
  if (connected_) return;
  if (OnConnectionRequired) OnConnectionRequired();
  if (!connected_) throw SmtpError(smtp_text::kNotConnected);
}

void SmtpClient::protocol_error(const char* text) {
  // What follows in the stream cannot be trusted; no QUIT is read from it.
  broken_ = true;
  throw SmtpError(text);
}

std::string SmtpClient::read_line(std::int64_t deadline) {
  for (;;) {
    const std::size_t lf = inbox_.find('\n');
    // A line must fit the buffer, line feed included; cutting it would make
    // its rest pass for the next reply.
    if (lf == std::string::npos ? inbox_.size() >= kBufferSize : lf + 1 > kBufferSize)
      protocol_error(smtp_text::kReplyTooLong);
    if (lf != std::string::npos) {
      std::string line = inbox_.substr(0, lf + 1);
      inbox_.erase(0, lf + 1);
      return line;
    }
    if (peer_closed_) return std::string();
    // One line, one time limit: a server that trickles bytes without ever
    // ending the line still runs out of time.
    Status result = Status::Pending;
    const WaitEnd end = wait_until(deadline, [&] {
      result = transport_->receive(inbox_);
      return result != Status::Pending;
    });
    if (end != WaitEnd::Ready) throw SmtpError(smtp_text::kReadAborted);
    if (result == Status::Failed) socket_failure();
    if (result == Status::Closed) peer_closed_ = true;
  }
}

long long SmtpClient::read_reply(bool closing_is_fine) {
  // The whole reply, however many lines, within one time limit and a bounded
  // number of lines: a server that keeps on continuing ends the wait too.
  const std::int64_t reply_deadline = deadline();
  reply_lines_.clear();
  std::string line;
  do {
    if (reply_lines_.size() >= static_cast<std::size_t>(kMaxReplyLines))
      protocol_error(smtp_text::kReplyNeverEnds);
    line = read_line(reply_deadline);
    if (line.empty() && peer_closed_) {
      reply_code_ = 0;
      reply_text_.clear();
      if (closing_is_fine) return 0;
      throw SmtpError(smtp_text::kConnectionClosed);
    }
    status(2, without_line_end(line));
    if (line[0] != ' ' && !has_reply_code(line)) protocol_error(smtp_text::kReplyWithoutCode);
    reply_lines_.push_back(without_line_end(line.substr(0, kKeptReplyLine)));
  } while (is_continuation(line));
  reply_text_ = without_line_end(line);
  reply_code_ = leading_number(line);
  return reply_code_;
}

long long SmtpClient::transact(const std::string& command, bool closing_is_fine,
                               const char* shown) {
  // One command, one reply: bytes still waiting now were never asked for,
  // and taking them as this command's reply would put every later reply
  // one step behind (a message could count as sent on a "354").
  if (!inbox_.empty()) protocol_error(smtp_text::kReplyUnasked);
  status(2, shown ? std::string(shown) : command);
  send_all(command + "\r\n", false);
  return read_reply(closing_is_fine);
}

void SmtpClient::send_all(const std::string& bytes, bool report_pieces) {
  for (std::size_t start = 0; start < bytes.size(); start += kBufferSize) {
    const std::size_t piece = std::min(kBufferSize, bytes.size() - start);
    const std::int64_t piece_deadline = deadline();
    std::size_t done = 0;
    while (done < piece) {
      Status result = Status::Pending;
      std::size_t sent = 0;
      const WaitEnd end = wait_until(piece_deadline, [&] {
        result = transport_->send(bytes.data() + start + done, piece - done, sent);
        return result != Status::Pending;
      });
      if (end != WaitEnd::Ready) throw SmtpError(smtp_text::kSendAborted);
      if (result == Status::Failed) socket_failure();
      done += sent;
    }
    if (report_pieces && OnPacketSent) OnPacketSent();
  }
}

std::string SmtpClient::recipient_address(const std::string& entry) {
  const std::size_t open = entry.find('<');
  if (open != std::string::npos) {
    const std::size_t close = entry.find('>', open + 1);
    return entry.substr(open + 1,
                        close == std::string::npos ? std::string::npos : close - open - 1);
  }
  const std::size_t colon = entry.find(':');
  if (colon != std::string::npos) {
    const std::size_t next = entry.find(':', colon + 1);
    return entry.substr(colon + 1,
                        next == std::string::npos ? std::string::npos : next - colon - 1);
  }
  return entry;
}

std::string SmtpClient::build_header() const {
  const SmtpMessage& m = PostMessage;
  std::vector<std::string> lines;
  lines.push_back("From: " + m.FromName + "<" + m.FromAddress + ">");
  if (!m.ToAddress.empty()) lines.push_back("To: " + join(m.ToAddress, ","));
  if (!m.ToCarbonCopy.empty()) lines.push_back("CC: " + join(m.ToCarbonCopy, ","));
  const std::pair<const char*, const std::string*> optional[] = {{"Subject", &m.Subject},
                                                                 {"X-Mailer", &m.LocalProgram},
                                                                 {"Reply-To", &m.ReplyTo},
                                                                 {"Date", &m.Date},
                                                                 {"Message-ID", &m.MessageId}};
  for (const auto& [name, value] : optional)
    if (!value->empty()) lines.push_back(std::string(name) + ": " + *value);
  lines.push_back("Mime-Version: 1.0");
  lines.push_back("Content-Type: " + SubType + "; charset=" + Charset);
  std::string header;
  for (const auto& line : lines) header += one_line(line) + "\r\n";
  return header;
}

std::string SmtpClient::build_body() const {
  std::vector<std::string> lines;
  for (const auto& entry : PostMessage.Body) append_body_lines(entry, lines);
  std::string body;
  for (const auto& line : lines) {
    if (!line.empty() && line[0] == '.') body += '.';
    body += line;
    body += "\r\n";
  }
  return body;
}

void SmtpClient::send_mail() {
  if (busy_) return;
  busy_ = true;
  try {
    FinalHeader = build_header();
    check_connection();
    SmtpMessage& m = PostMessage;
    auto complete = [&] {
      return !m.FromAddress.empty() &&
             !(m.ToAddress.empty() && m.ToCarbonCopy.empty() && m.ToBlindCarbonCopy.empty());
    };
    if (!complete() && OnHeaderIncomplete) {
      OnHeaderIncomplete();
      FinalHeader = build_header();
    }
    if (!complete()) throw SmtpError(smtp_text::kIncompleteHeader);
    if (!m.Attachments.empty()) throw SmtpError(smtp_text::kAttachmentsUnsupported);
    const std::string body = build_body();
    status(1, "Sending message");
    if (OnSendStart) OnSendStart();

    if (transact("RSET") >= 400) throw SmtpError(reply_text_);
    if (transact("MAIL FROM:<" + one_line(m.FromAddress) + ">") >= 400)
      throw SmtpError(reply_text_);
    for (const auto* list : {&m.ToAddress, &m.ToCarbonCopy, &m.ToBlindCarbonCopy}) {
      for (const auto& entry : *list) {
        const std::string address = one_line(recipient_address(entry));
        if (address.empty()) continue;
        if (transact("RCPT TO:<" + address + ">") > 300 && OnRecipientNotFound)
          OnRecipientNotFound(entry);
      }
    }
    if (transact("DATA") >= 400) throw SmtpError(reply_text_);
    send_all(FinalHeader + "\r\n\r\n" + body, true);
    if (transact(".") >= 400) {
      if (OnFailure) OnFailure();
      throw SmtpError(reply_text_);
    }
    if (ClearParams) clear_recipients();
  } catch (...) {
    busy_ = false;
    throw;
  }
  busy_ = false;
  status(1, "Message sent");
  if (OnSuccess) OnSuccess();
}

void SmtpClient::disconnect() {
  if (!connected_) return;
  std::optional<SmtpError> error;
  // A session that broke the protocol, or one that asked for TLS and does
  // not have it, is closed without another word.
  const bool may_talk = !broken_ && (Security == SmtpSecurity::None || secured_);
  try {
    if (may_talk && transact("QUIT", true) > 339) error = SmtpError(reply_text_);
  } catch (const SmtpError& e) {
    error = e;
  }
  transport_->close();
  connected_ = false;
  secured_ = false;
  inbox_.clear();
  status(1, "Disconnected");
  if (OnDisconnect) OnDisconnect();
  if (error) throw *error;
}

void SmtpClient::abort() {
  cancelled_ = true;
}

void SmtpClient::clear_recipients() {
  PostMessage.ToAddress.clear();
  PostMessage.ToCarbonCopy.clear();
  PostMessage.ToBlindCarbonCopy.clear();
  PostMessage.Attachments.clear();
}

}  // namespace tarvex::outbound
