#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/scheduler.h"
#include "platform/tcp_transport.h"

namespace tarvex::outbound {

// A failure of the SMTP client; what() is its text: one of the client's own
// texts, a socket error ("10054:Connection reset by peer") or the server's
// reply line to a refused command.
class SmtpError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The client's texts for its own failures.
namespace smtp_text {
inline constexpr const char* kAlreadyConnected = "Already connected";
inline constexpr const char* kHostLookupFailed = "Host Lookup Failed";
inline constexpr const char* kHostLookupTimedOut = "Host Lookup Timed Out";
inline constexpr const char* kHostLookupCanceled = "Host Lookup Canceled";
inline constexpr const char* kNullRemoteAddress = "Null Remote Address";
inline constexpr const char* kConnectionTimedOut = "Connection Timed out";
inline constexpr const char* kConnectionCanceled = "Connection Canceled";
inline constexpr const char* kConnectionFailed = "Connection Failed";
inline constexpr const char* kAuthenticationFailed = "Authentication failed";
inline constexpr const char* kNotConnected = "Not Connected";
inline constexpr const char* kIncompleteHeader = "Incomplete Header";
inline constexpr const char* kReadAborted = "Socket readln aborted";
inline constexpr const char* kSendAborted = "Socket send aborted";
// The server closed the connection while a reply was awaited.
inline constexpr const char* kConnectionClosed = "Connection closed by server";
inline constexpr const char* kAttachmentsUnsupported = "Attachments are not supported";
// Replies that break the protocol end the session.
inline constexpr const char* kReplyTooLong = "The server sent a reply line longer than 65536 bytes";
inline constexpr const char* kReplyWithoutCode = "The server sent a reply without a reply code";
inline constexpr const char* kReplyNeverEnds = "The server sent a reply that does not end";
inline constexpr const char* kReplyUnasked = "The server sent a reply nobody asked for";
// The secure path.
inline constexpr const char* kNoStartTls = "The server does not offer STARTTLS";
inline constexpr const char* kTlsFailed = "The secure connection failed: ";
inline constexpr const char* kTlsTimedOut = "The secure connection timed out";
inline constexpr const char* kNoLoginMethod =
    "The server offers no login this program can use (AUTH PLAIN or AUTH LOGIN)";
inline constexpr const char* kLoginRefused = "The server refused the login: ";
}  // namespace smtp_text

// How the connection is secured. None is plain SMTP with HELO; the others
// say EHLO (falling back to HELO), secure the connection with TLS (after
// STARTTLS, or from the first byte) and log in when a user is given.
enum class SmtpSecurity { None, StartTls, Tls };

// The message that the next send delivers.
struct SmtpMessage {
  std::string FromAddress;  // MAIL FROM and the "From:" header
  std::string FromName;     // display name in the "From:" header
  std::vector<std::string> ToAddress;
  std::vector<std::string> ToCarbonCopy;
  std::vector<std::string> ToBlindCarbonCopy;  // recipients without a header
  std::string Subject;
  std::vector<std::string> Body;  // the message lines
  std::vector<std::string> Attachments;
  std::string LocalProgram;  // X-Mailer
  std::string ReplyTo;
  std::string Date;       // the "Date:" header (mail_date)
  std::string MessageId;  // the "Message-ID:" header (message_id)
};

// "Thu, 10 Dec 2026 14:52:59 +0200": a time as the "Date:" header gives it,
// in local time with its offset from UTC, names in English whatever the
// locale.
std::string mail_date(std::time_t time);
// "<time.random@host>" for the "Message-ID:" header: a fresh one on every
// call, at the host part of the sender's address ("localhost" without one).
std::string message_id(const std::string& from_address, std::time_t time);

// A plain-text SMTP client on a TcpTransport. Every call is synchronous for
// the caller; while it waits for the network it keeps the window alive by
// processing messages in 2 ms steps, and every single wait (look-up,
// connect, one reply line, one piece of data) ends after TimeOut ms. A
// time-out aborts the client, so later waits of the same operation end at
// once; the next connect starts cleanly.
class SmtpClient {
 public:
  SmtpClient(platform::Scheduler& scheduler, std::unique_ptr<platform::TcpTransport> transport);
  ~SmtpClient();
  SmtpClient(const SmtpClient&) = delete;
  SmtpClient& operator=(const SmtpClient&) = delete;

  // Replaces the transport; only while neither connected nor connecting.
  void set_transport(std::unique_ptr<platform::TcpTransport> transport);

  // Connection properties.
  std::string Host;  // server name or dotted IPv4 address
  std::uint16_t Port = 25;
  int TimeOut = 20000;  // ms; 0 or less waits without limit
  std::string UserID;   // argument of HELO
  int ReportLevel = 0;  // 0: OnStatus hears nothing; 1: stages; 2: also every line
  SmtpSecurity Security = SmtpSecurity::None;
  // Secure sessions only: the login (none while LoginUser is empty) and a
  // PEM file of certificates to trust besides the system's.
  std::string LoginUser;
  std::string LoginPassword;
  std::string TrustFile;

  SmtpMessage PostMessage;
  // Empty the recipient and attachment lists after every successful send.
  bool ClearParams = true;
  std::string SubType = "text/plain";
  std::string Charset = "us-ascii";
  // The header lines of the message being sent, each ended by CR LF.
  std::string FinalHeader;

  // Events; each may be left empty.
  std::function<void()> OnConnect;
  std::function<void()> OnDisconnect;
  std::function<void()> OnConnectionFailed;
  // Set retry to try the look-up once more (after changing Host).
  std::function<void(bool& retry)> OnInvalidHost;
  std::function<void(const std::string& address)> OnHostResolved;
  std::function<void(const std::string& status)> OnStatus;
  std::function<void()> OnSendStart;
  std::function<void()> OnSuccess;
  std::function<void()> OnFailure;  // the server refused the end of the data
  // May fill in the sender or the recipients, once.
  std::function<void()> OnHeaderIncomplete;
  std::function<void(const std::string& entry)> OnRecipientNotFound;
  // Set retry to send HELO once more (after changing UserID).
  std::function<void(bool& retry)> OnAuthenticationFailed;
  std::function<void()> OnPacketSent;
  // May connect; raised when an operation needs a connection.
  std::function<void()> OnConnectionRequired;

  // Opens the connection, reads the greeting and says HELO.
  void connect();
  // Throws "Not Connected" unless connected.
  void check_connection();
  // Sends PostMessage; does nothing while another send is in progress.
  void send_mail();
  // QUIT, then closes whatever happened; harmless when not connected.
  void disconnect();
  // Ends any wait in progress at once; does not close the connection.
  void abort();
  // Empties the recipient lists and the attachment list.
  void clear_recipients();

  bool connected() const { return connected_; }
  // A connect is under way (look-up, TCP connect, greeting or HELO).
  bool connecting() const { return connecting_; }
  bool busy() const { return busy_; }
  bool cancelled() const { return cancelled_; }
  bool timed_out() const { return timed_out_; }
  // The connection runs through TLS.
  bool secured() const { return secured_; }
  // The last reply: its leading number (0 when it has none) and its line.
  long long reply_code() const { return reply_code_; }
  const std::string& reply_text() const { return reply_text_; }

  // The header lines and the body bytes (CR LF line ends, dot-stuffed) of
  // PostMessage, as a send would put them on the wire.
  std::string build_header() const;
  std::string build_body() const;

  // The address in a recipient entry: between "<" and ">", else between the
  // first ":" and the next, else the whole entry.
  static std::string recipient_address(const std::string& entry);
  static bool is_dotted_ipv4(const std::string& host);

  enum class WaitEnd { Ready, TimedOut, Cancelled };

 private:
  // Now plus TimeOut, on the scheduler's clock.
  std::int64_t deadline() const;
  // Polls ready() in 2 ms steps, processing messages, until it is true, the
  // deadline passes (which aborts the client) or the client is aborted.
  WaitEnd wait_until(std::int64_t deadline, const std::function<bool()>& ready);
  std::string resolve_host();
  void open_connection(const std::string& address);
  void greet();
  void say_helo();
  void say_ehlo();
  void secure_connection();
  void log_in();
  bool offered(const std::string& keyword) const;
  [[noreturn]] void protocol_error(const char* text);
  std::string read_line(std::int64_t deadline);
  long long read_reply(bool closing_is_fine = false);
  // Sends a command and reads its reply; shown stands for the command in
  // status reports when it carries a secret.
  long long transact(const std::string& command, bool closing_is_fine = false,
                     const char* shown = nullptr);
  void send_all(const std::string& bytes, bool report_pieces);
  void status(int level, const std::string& text);
  void close_quietly();
  [[noreturn]] void socket_failure();

  platform::Scheduler& scheduler_;
  std::unique_ptr<platform::TcpTransport> transport_;
  bool connected_ = false;
  bool connecting_ = false;
  bool busy_ = false;
  bool cancelled_ = false;
  bool timed_out_ = false;
  bool peer_closed_ = false;
  bool secured_ = false;
  // The session can no longer be trusted to follow the protocol.
  bool broken_ = false;
  // The lines of the last reply (cut short), for the EHLO keywords.
  std::vector<std::string> reply_lines_;
  std::string inbox_;
  long long reply_code_ = 0;
  std::string reply_text_;
};

}  // namespace tarvex::outbound
