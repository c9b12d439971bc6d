#include "outbound/email_security.h"

#include <vector>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

constexpr SmtpSecurity kSecurities[] = {SmtpSecurity::None, SmtpSecurity::StartTls,
                                        SmtpSecurity::Tls};

const struct {
  const char* key;
  const char* label;  // as the window names the field
  std::string EmailSecurity::*member;
} kTexts[] = {{"User", "user name", &EmailSecurity::user_name},
              {"Password", "password", &EmailSecurity::password},
              {"CertificateFile", "certificate file", &EmailSecurity::certificate_file}};

void narrow_to_owner(const std::string& path) {
  platform::restrict_to_owner(path);
}

}  // namespace

std::optional<int> port_setting(const std::string& text) {
  if (text.empty()) return 0;
  if (text.size() > 5) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return std::nullopt;
  return value;
}

int standard_port(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::StartTls:
      return 587;
    case SmtpSecurity::Tls:
      return 465;
    case SmtpSecurity::None:
      break;
  }
  return 25;
}

const char* security_name(SmtpSecurity security) {
  switch (security) {
    case SmtpSecurity::StartTls:
      return "STARTTLS";
    case SmtpSecurity::Tls:
      return "TLS";
    case SmtpSecurity::None:
      break;
  }
  return "None";
}

std::optional<std::string> read_email_security(const std::string& path, EmailSecurity& security) {
  if (!platform::file_exists(path)) return std::nullopt;
  narrow_to_owner(path);
  std::vector<std::string> lines;
  try {
    lines = platform::read_lines(path);
  } catch (const platform::FileError& e) {
    return std::string(e.what());
  }
  EmailSecurity read;
  std::string damaged;
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "Security") {
      read.security = SmtpSecurity::StartTls;
      bool known = false;
      for (SmtpSecurity s : kSecurities)
        if (value == security_name(s)) {
          read.security = s;
          known = true;
        }
      if (!known) damaged = line;
    } else if (key == "Port") {
      const auto port = port_setting(value);
      if (port) read.port = *port;
      if (!port) damaged = line;
    }
    for (const auto& text : kTexts)
      if (key == text.key) read.*text.member = value;
  }
  security = read;
  if (damaged.empty()) return std::nullopt;
  return "The e-mail security settings in \"" + path + "\" hold a value that is not understood (" +
         damaged + "). Open \"Setup Email Account\" and apply them again.";
}

std::optional<std::string> unstorable_email_security(const EmailSecurity& security) {
  for (const auto& text : kTexts)
    if ((security.*text.member).find_first_of("\r\n") != std::string::npos)
      return std::string("The ") + text.label + " can not be saved: it holds a line break.";
  if (security.port < 0 || security.port > 65535) return std::string(kBadPort);
  return std::nullopt;
}

void write_email_security(const std::string& path, const EmailSecurity& security) {
  std::vector<std::string> lines = {
      std::string("Security=") + security_name(security.security),
      "Port=" + (security.port ? std::to_string(security.port) : std::string())};
  for (const auto& text : kTexts)
    lines.push_back(std::string(text.key) + "=" + security.*text.member);
  platform::write_private_file(path, platform::join_lines(lines));
}

}  // namespace tarvex::outbound
