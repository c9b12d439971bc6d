#pragma once

#include <optional>
#include <string>

namespace tarvex::outbound {

inline constexpr const char* kEmailSettingsFile = "eset.ini";
// Every byte of eset.ini is stored moved up by this much (modulo 256). Files
// written with another offset cannot be read back, so it never changes.
inline constexpr int kScrambleOffset = 5;
// Shown in the send-to field until eset.ini holds a programming mailbox.
inline constexpr const char* kDefaultProgrammingMailbox = "programming@tarvex.example";

inline constexpr const char* kUnableLoadEmailSetting = "Unable load email setting!";
inline constexpr const char* kAccountIncomplete = "Account informtion is incomplete!";

// The e-mail account, kept in eset.ini one setting per line in this order.
struct EmailSettings {
  std::string owner_name;        // "Owner: " line of every body
  std::string telephone_number;  // "Tel: " line
  std::string sender_address;    // MAIL FROM and "From:"
  std::string smtp_server;       // host, optionally followed by ":" and a port
  std::string login_name;        // HELO argument
  std::string account_number;    // first part of every subject
  std::string send_to_address;   // the programming mailbox

  // Senders refuse while any setting is empty.
  bool complete() const;
  bool operator==(const EmailSettings&) const = default;
};

// Scrambling of eset.ini lines: each byte moved by kScrambleOffset.
std::string encrypt1(const std::string& text);
std::string decrypt1(const std::string& text);

// Reads eset.ini into settings, line by line in file order; missing lines
// give empty settings. Returns the text to show the operator when it fails:
// the file error when the file cannot be opened (settings untouched), or
// "Unable load email setting!" when reading an opened file fails (the lines
// read before the failure are kept).
std::optional<std::string> read_email_settings(const std::string& path, EmailSettings& settings);

// The text to show when a setting cannot be stored in eset.ini: a byte that
// scrambles into a line feed would split its line and shift every later
// setting on the next start. Nothing when all can be stored.
std::optional<std::string> unstorable_email_setting(const EmailSettings& settings);

// Writes all seven settings scrambled, replacing the file in one step.
// Throws platform::FileError.
void write_email_settings(const std::string& path, const EmailSettings& settings);

// The SMTP server setting split into host and port: "host:2525" names a port,
// a plain host uses 25. A suffix that is no port (1..65535) stays part of the
// host, so that the look-up fails on it.
struct SmtpServerAddress {
  std::string host;
  int port = 25;
  bool port_given = false;  // the setting named the port
};
SmtpServerAddress split_smtp_server(const std::string& setting);

}  // namespace tarvex::outbound
