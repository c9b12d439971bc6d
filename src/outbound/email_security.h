#pragma once

#include <optional>
#include <string>

#include "outbound/smtp_client.h"

namespace tarvex::outbound {

// Kept apart from eset.ini, whose seven lines other installations read too,
// and readable by the operator's account alone: it holds a password.
inline constexpr const char* kEmailSecurityFile = "email_security.ini";

inline constexpr const char* kBadPort =
    "The port must be a number from 1 to 65535, or empty for the standard port.";

// How the SMTP connection is secured and the login it uses.
struct EmailSecurity {
  SmtpSecurity security = SmtpSecurity::None;
  int port = 0;                  // 0: the standard port of the security
  std::string user_name;         // UTF-8
  std::string password;          // UTF-8
  std::string certificate_file;  // a path; certificates to trust besides the system's

  bool operator==(const EmailSecurity&) const = default;
};

// 25 for plain SMTP, 587 for STARTTLS, 465 for TLS from the first byte.
int standard_port(SmtpSecurity security);
// The names the file and the window use: "None", "STARTTLS", "TLS".
const char* security_name(SmtpSecurity security);

// A port as typed: empty gives 0 (the standard port), else a number from 1
// to 65535; anything else gives nothing.
std::optional<int> port_setting(const std::string& text);

// Reads the file into security. A missing file leaves the plain default and
// is no failure. Returns the text to show the operator when the file cannot
// be read or holds a value that is not understood; a security that is not
// understood is taken as STARTTLS, so that nothing goes out in clear that
// was meant to be secured. A file that others may read is narrowed to its
// owner. unreadable tells whether the text is about a file that is there
// and can not be read, which leaves security as it was. The user name and
// password are UTF-8, as the login takes them; bytes that are no UTF-8
// (a file of an earlier version) are read as Latin-1.
std::optional<std::string> read_email_security(const std::string& path, EmailSecurity& security,
                                               bool* unreadable = nullptr);

// The text to show when a value cannot be stored (a line break would split
// its line), else nothing.
std::optional<std::string> unstorable_email_security(const EmailSecurity& security);

// Replaces the file; the new one can be read by its owner alone. Throws
// platform::FileError.
void write_email_security(const std::string& path, const EmailSecurity& security);

}  // namespace tarvex::outbound
