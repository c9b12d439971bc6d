#include "outbound/email_channel.h"

#include <ctime>

#include "app/settings_files.h"
#include "outbound/batched_grid.h"
#include "outbound/sms_programming.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {
using device::kColFlags, device::kColProgCode, device::kColState, device::kColText;
}  // namespace

std::string email_subject(const EmailSettings& settings, const std::string& destination) {
  return settings.account_number + " -- " + destination;
}

std::string email_body(const EmailSettings& settings, const std::string& destination,
                       const std::vector<std::string>& payload) {
  std::vector<std::string> lines = {"Owner: " + settings.owner_name,
                                    "Tel: " + settings.telephone_number, "To: " + destination,
                                    ">>"};
  lines.insert(lines.end(), payload.begin(), payload.end());
  lines.push_back("<<");
  return platform::join_lines(lines);
}

std::vector<std::string> body_lines(const std::string& body) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < body.size(); ++i) {
    if (body[i] != '\r' && body[i] != '\n') continue;
    lines.push_back(body.substr(start, i - start));
    if (body[i] == '\r' && i + 1 < body.size() && body[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < body.size()) lines.push_back(body.substr(start));
  return lines;
}

EmailChannel::EmailChannel(app::Session& session, std::unique_ptr<platform::TcpTransport> transport)
    : session_(session), client_(session.scheduler, std::move(transport)) {
  // Fixed for every e-mail of this program.
  client_.Port = 25;
  client_.TimeOut = kSmtpTimeOutMs;
  client_.ReportLevel = 0;
  client_.ClearParams = true;
  client_.SubType = "text/plain";
  client_.Charset = "us-ascii";
  client_.OnConnectionFailed = [this] { NMSMTP1ConnectionFailed(); };
  client_.OnFailure = [this] { NMSMTP1Failure(); };
}

std::string EmailChannel::settings_path() const {
  return session_.start_file(kEmailSettingsFile);
}

std::string EmailChannel::security_path() const {
  return session_.start_file(kEmailSecurityFile);
}

bool EmailChannel::load_email_settings() {
  auto error = read_email_settings(settings_path(), settings_);
  if (error) session_.ui.message(*error);
  load_email_security();
  return !error;
}

bool EmailChannel::load_email_security() {
  bool unreadable = false;
  auto error = read_email_security(security_path(), security_, &unreadable);
  // Unread, the security would be the plain default, and the next e-mail,
  // with a unit's password in it, would go out in clear.
  blocked_.reset();
  if (unreadable) error = blocked_ = kSecurityUnreadable + ("\n" + *error);
  if (error) session_.ui.message(*error);
  return !error;
}

bool EmailChannel::store(const std::optional<std::string>& problem,
                         const std::function<void()>& write) {
  if (problem) {
    session_.ui.message(*problem);
    return false;
  }
  try {
    write();
  } catch (const std::exception& e) {
    session_.ui.message(e.what());
    return false;
  }
  return true;
}

bool EmailChannel::save_email_security(const EmailSecurity& values) {
  if (!store(unstorable_email_security(values),
             [&] { write_email_security(security_path(), values); }))
    return false;
  security_ = values;
  blocked_.reset();
  return true;
}

bool EmailChannel::save_email_settings(const EmailSettings& values) {
  if (!store(unstorable_email_setting(values),
             [&] { write_email_settings(settings_path(), values); }))
    return false;
  settings_ = values;
  return true;
}

void EmailChannel::NMSMTP1ConnectionFailed() {
  session_.ui.message(kCannotConnectToServer);
}

void EmailChannel::NMSMTP1Failure() {
  session_.ui.message(kEmailSendingFailed);
}

bool EmailChannel::check_connect() {
  // A second sender starting while an e-mail is on its way (the window
  // stays usable during the wait) is turned away without aborting the first.
  if (client_.connected() || client_.connecting() || client_.busy()) {
    session_.ui.message(kUnableToConnect);
    return false;
  }
  if (blocked_) {
    session_.ui.message(*blocked_);
    return false;
  }
  client_.clear_recipients();
  const SmtpServerAddress server = split_smtp_server(settings_.smtp_server);
  client_.UserID = settings_.login_name;
  client_.Host = server.host;
  client_.Security = security_.security;
  const int port = server.port_given ? server.port
                   : security_.port  ? security_.port
                                     : standard_port(security_.security);
  client_.Port = static_cast<std::uint16_t>(port);
  client_.LoginUser = security_.user_name;
  client_.LoginPassword = security_.password;
  client_.TrustFile = security_.certificate_file;
  try {
    client_.connect();
    client_.check_connection();
  } catch (const SmtpError& e) {
    client_.abort();
    session_.ui.message(with_cause(kUnableToConnect, e));
    return false;
  }
  return true;
}

std::string EmailChannel::with_cause(const char* message, const SmtpError& error) const {
  // The plain path keeps its messages as they always were, except that a
  // server's refusal is shown with the server's own answer.
  const bool refused = client_.reply_code() != 0 && client_.reply_text() == error.what();
  if (security_.security == SmtpSecurity::None && !refused) return message;
  return std::string(message) + "\n" + error.what();
}

void EmailChannel::disconnect_quietly() {
  try {
    client_.disconnect();
  } catch (const SmtpError&) {
    // Closed anyway; there is nothing more to tell the operator.
  }
}

bool EmailChannel::send_email(const std::string& subject, const std::string& body) {
  SmtpMessage& m = client_.PostMessage;
  m.FromAddress = settings_.sender_address;
  m.FromName = session_.current_operator;
  m.Body = body_lines(body);
  m.ToAddress = {settings_.send_to_address};
  m.Subject = subject;
  // Mail without a date is refused or marked by many providers.
  const std::time_t now = std::time(nullptr);
  m.Date = mail_date(now);
  m.MessageId = message_id(settings_.sender_address, now);
  try {
    client_.send_mail();
  } catch (const SmtpError& e) {
    session_.ui.message(with_cause(kErrorSendingEmail, e));
    disconnect_quietly();
    return false;
  }
  // The server has taken the message; a failed goodbye does not undo that.
  disconnect_quietly();
  return true;
}

EmailRunResult EmailChannel::program_via_email(platform::StringGrid& grid,
                                               const std::string& unit_number,
                                               const std::string& password,
                                               const EmailRunHooks& hooks) {
  EmailRunResult result;
  // The window stays usable while the e-mail is on its way; a second run
  // started meanwhile would only report and log a run that never happened.
  if (running_) return result;
  struct Running {
    bool& flag;
    explicit Running(bool& f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
  } running(running_);
  platform::Ui& ui = session_.ui;
  if (!settings_.complete()) {
    ui.message(kAccountIncomplete);
    return result;
  }
  if (unit_number.size() < kMinUnitNumberLength) {
    ui.message(kInvalidUnitNumber);
    return result;
  }
  if (password.size() < kMinPasswordLength) {
    ui.message(kInvalidPassword);
    return result;
  }

  if (check_connect()) {
    std::vector<std::string> payload;
    std::vector<int> accepted;
    // Rows marked in this run go back to "Selected" when their e-mail does not
    // go out, so that they are not taken for programmed and are sent next time.
    auto unmark_accepted = [&] {
      platform::GridUpdate update(grid);
      for (int row : accepted)
        if (grid.cell(kColState, row) == kMessageProgrammed)
          grid.set_cell(kColState, row, kSelected);
    };
    {
      BatchedGrid batch(grid);
      // The row count is read on every turn: message boxes run the window,
      // and rows may come or go meanwhile.
      for (int row = 1; row < grid.row_count(); ++row) {
        if (grid.cell(kColState, row) != kSelected) continue;
        const RowCheck check = check_programming_row(grid, row);
        if (check.verdict == RowCheck::Verdict::Stop) {
          batch.tell(ui, check.message);
          batch.finish();
          // Nothing is sent; the connection must not stay open, or every
          // later e-mail would be refused as "already connected".
          disconnect_quietly();
          unmark_accepted();
          result.end = EmailRunEnd::Stopped;
          return result;
        }
        if (check.verdict == RowCheck::Verdict::Refuse) {
          batch.tell(ui, check.message);
          grid.set_cell(kColState, row, kMessageError);
          continue;
        }
        const std::string code = grid.cell(kColProgCode, row);
        const std::string message = grid.cell(kColFlags, row) + grid.cell(kColText, row);
        payload.push_back("#" + password + "pgm" + code + "\"" + message + "\"");
        ++result.count;
        accepted.push_back(row);
        grid.set_cell(kColState, row, kMessageProgrammed);
      }
    }
    if (!send_email(email_subject(settings_, unit_number),
                    email_body(settings_, unit_number, payload))) {
      unmark_accepted();
      result.end = EmailRunEnd::Stopped;
      return result;
    }
  }

  if (hooks.lock_program_menu) hooks.lock_program_menu();
  ui.message(std::to_string(result.count) + " Messages have been programmed!");
  if (hooks.write_log) hooks.write_log("Programing: " + unit_number + " via email");
  result.end = EmailRunEnd::Finished;
  return result;
}

}  // namespace tarvex::outbound
