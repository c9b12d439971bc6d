#include "outbound/email_security.h"

#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

namespace fs = std::filesystem;

constexpr SmtpSecurity kSecurities[] = {SmtpSecurity::None, SmtpSecurity::StartTls,
                                        SmtpSecurity::Tls};

const struct {
  const char* key;
  const char* label;  // as the window names the field
  std::string EmailSecurity::*member;
} kTexts[] = {{"User", "user name", &EmailSecurity::user_name},
              {"Password", "password", &EmailSecurity::password},
              {"CertificateFile", "certificate file", &EmailSecurity::certificate_file}};

bool valid_utf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    const std::size_t length = c < 0x80         ? 1
                               : (c >> 5) == 6  ? 2
                               : (c >> 4) == 14 ? 3
                               : (c >> 3) == 30 ? 4
                                                : 0;
    if (length == 0 || i + length > text.size() || (length == 2 && c < 0xC2)) return false;
    for (std::size_t k = 1; k < length; ++k)
      if ((static_cast<unsigned char>(text[i + k]) >> 6) != 2) return false;
    i += length;
  }
  return true;
}

std::string utf8_or_latin1(const std::string& text) {
  if (valid_utf8(text)) return text;
  std::string utf8;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
      utf8 += c;
    } else {
      utf8 += static_cast<char>(0xC0 | byte >> 6);
      utf8 += static_cast<char>(0x80 | (byte & 0x3F));
    }
  }
  return utf8;
}

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

std::optional<std::string> read_email_security(const std::string& path, EmailSecurity& security,
                                               bool* unreadable) {
  if (unreadable) *unreadable = false;
  std::error_code ec;
  // Anything of that name counts: a folder there is a file that can not be
  // read, not a missing one.
  if (!fs::exists(platform::to_fs_path(path), ec) && !ec) return std::nullopt;
  narrow_to_owner(path);
  std::vector<std::string> lines;
  try {
    lines = platform::read_lines(path);
  } catch (const platform::FileError& e) {
    if (unreadable) *unreadable = true;
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
  read.user_name = utf8_or_latin1(read.user_name);
  read.password = utf8_or_latin1(read.password);
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
