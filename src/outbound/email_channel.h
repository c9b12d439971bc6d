#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/session.h"
#include "outbound/email_security.h"
#include "outbound/email_settings.h"
#include "outbound/smtp_client.h"
#include "platform/string_grid.h"
#include "platform/tcp_transport.h"

namespace tarvex::outbound {

inline constexpr const char* kCannotConnectToServer =
    "Programmer can not connect to the email server!";
inline constexpr const char* kUnableToConnect =
    "Unable to connect to email server...check connection!";
inline constexpr const char* kEmailSendingFailed = "Email sending failed!";
inline constexpr const char* kErrorSendingEmail = "Error sending email...Check connection!";
inline constexpr int kSmtpTimeOutMs = 20000;
inline constexpr const char* kSecurityUnreadable =
    "The e-mail security settings can not be read. No e-mail is sent until they can be read, "
    "or until they are applied again in \"Setup Email Account\".";

// The programming e-mail: subject, and the body lines each ended by CR LF:
// "Owner: ", "Tel: ", "To: ", ">>", the payload lines, "<<".
std::string email_subject(const EmailSettings& settings, const std::string& destination);
std::string email_body(const EmailSettings& settings, const std::string& destination,
                       const std::vector<std::string>& payload);
// A body text split into its lines at CR LF, CR or LF; a final line end
// adds no empty line.
std::vector<std::string> body_lines(const std::string& body);

// What the main window does for a programming run: lock the "Program" menu
// for a while, and append to the event log (reporting its own failures).
struct EmailRunHooks {
  std::function<void()> lock_program_menu;
  std::function<void(const std::string& event)> write_log;
};

enum class EmailRunEnd {
  Refused,   // settings, unit number or password not usable: nothing happened
  Stopped,   // a Prog Len that is no number, or the e-mail failed: no count, no log
  Finished,  // menu locked, count shown, run logged
};

struct EmailRunResult {
  EmailRunEnd end = EmailRunEnd::Refused;
  int count = 0;
};

// The e-mail account with its settings file, the SMTP client NMSMTP1 and the
// steps that every e-mail sender takes: connect, send, report.
class EmailChannel {
 public:
  EmailChannel(app::Session& session, std::unique_ptr<platform::TcpTransport> transport);
  EmailChannel(const EmailChannel&) = delete;
  EmailChannel& operator=(const EmailChannel&) = delete;

  const EmailSettings& settings() const { return settings_; }
  const EmailSecurity& security() const { return security_; }
  SmtpClient& NMSMTP1() { return client_; }
  platform::Ui& ui() { return session_.ui; }
  std::string settings_path() const;
  std::string security_path() const;

  // Reads eset.ini into the settings; a failure is reported to the operator
  // and the settings keep what they had (plus what was read before a read
  // error). The security settings are read again too. Returns whether all
  // went well with eset.ini.
  bool load_email_settings();
  // Writes the given values to eset.ini; on success they are in force at once.
  // A failure, or a value eset.ini cannot keep, is reported and the settings
  // in force stay as they were.
  bool save_email_settings(const EmailSettings& values);
  // The same for the security settings and their file.
  bool load_email_security();
  bool save_email_security(const EmailSecurity& values);

  // Connects to the SMTP server of the settings. While the security
  // settings could not be read, nothing is connected and the operator is
  // told why. On failure: the client is
  // aborted, "Unable to connect..." shown, false returned. While another
  // e-mail is on its way the answer is the same, and that e-mail goes on.
  // With a secured connection, the messages name the cause of a failure.
  bool check_connect();
  // Sends one programming e-mail after a successful check_connect, then
  // disconnects. On failure: "Error sending email...", disconnected, false.
  bool send_email(const std::string& subject, const std::string& body);

  // The client's events that the operator hears of.
  void NMSMTP1ConnectionFailed();
  void NMSMTP1Failure();

  // "Program Via Email" over the rows of the message table. A call made
  // while a run is in progress does nothing.
  EmailRunResult program_via_email(platform::StringGrid& grid, const std::string& unit_number,
                                   const std::string& password, const EmailRunHooks& hooks);

 private:
  void disconnect_quietly();
  // Reports a value that cannot be stored, else writes; a failed write is
  // reported too. Returns whether the file was written.
  bool store(const std::optional<std::string>& problem, const std::function<void()>& write);
  std::string with_cause(const char* message, const SmtpError& error) const;

  app::Session& session_;
  EmailSettings settings_;
  EmailSecurity security_;
  SmtpClient client_;
  bool running_ = false;
  // Why no e-mail may go out: the security settings could not be read.
  std::optional<std::string> blocked_;
};

}  // namespace tarvex::outbound
