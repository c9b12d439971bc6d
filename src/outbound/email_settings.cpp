#include "outbound/email_settings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

std::string shifted(const std::string& text, int by) {
  std::string out = text;
  for (char& c : out) c = static_cast<char>((static_cast<unsigned char>(c) + by + 256) % 256);
  return out;
}

// The settings in the order of the lines of eset.ini.
constexpr std::string EmailSettings::*kLines[7] = {
    &EmailSettings::owner_name,     &EmailSettings::telephone_number,
    &EmailSettings::sender_address, &EmailSettings::smtp_server,
    &EmailSettings::login_name,     &EmailSettings::account_number,
    &EmailSettings::send_to_address};

// The window's names of the settings, in the same order.
constexpr const char* kLineNames[7] = {
    "Name",       "Telephone Number", "Email Address",        "SMTP Server",
    "Login Name", "Account Number",   "Send to Email Address"};

}  // namespace

bool EmailSettings::complete() const {
  for (auto member : kLines)
    if ((this->*member).empty()) return false;
  return true;
}

std::string encrypt1(const std::string& text) {
  return shifted(text, kScrambleOffset);
}

std::string decrypt1(const std::string& text) {
  return shifted(text, -kScrambleOffset);
}

std::optional<std::string> read_email_settings(const std::string& path, EmailSettings& settings) {
  std::FILE* file = platform::open_file(path, "rb");
  if (!file) return "Cannot open file \"" + path + "\". " + std::string(std::strerror(errno));
  std::string bytes;
  char buffer[4096];
  std::size_t got;
  int error = 0;
  while ((got = platform::read_bytes(file, buffer, sizeof buffer, error)) > 0)
    bytes.append(buffer, got);
  const bool failed = error != 0;
  platform::close_file(file);
  if (failed) {
    // Only the lines that were read whole count.
    const std::size_t last_end = bytes.rfind('\n');
    bytes.erase(last_end == std::string::npos ? 0 : last_end + 1);
  }
  const std::vector<std::string> lines = platform::split_lines(bytes);
  for (int line = 0; line < 7; ++line) {
    if (failed && line >= static_cast<int>(lines.size())) break;
    settings.*kLines[line] =
        line < static_cast<int>(lines.size()) ? decrypt1(lines[line]) : std::string();
  }
  if (failed) return std::string(kUnableLoadEmailSetting);
  return std::nullopt;
}

std::optional<std::string> unstorable_email_setting(const EmailSettings& settings) {
  for (int line = 0; line < 7; ++line) {
    if (encrypt1(settings.*kLines[line]).find('\n') == std::string::npos) continue;
    return std::string("The ") + kLineNames[line] +
           " can not be saved: it holds a control character that eset.ini can not keep. "
           "Remove it and apply again.";
  }
  return std::nullopt;
}

void write_email_settings(const std::string& path, const EmailSettings& settings) {
  std::vector<std::string> lines;
  for (auto member : kLines) lines.push_back(encrypt1(settings.*member));
  platform::write_lines(path, lines);
}

SmtpServerAddress split_smtp_server(const std::string& setting) {
  const std::size_t colon = setting.rfind(':');
  if (colon == std::string::npos || colon == 0 || setting.find(':') != colon) return {setting};
  const std::string port = setting.substr(colon + 1);
  if (port.empty() || port.size() > 5) return {setting};
  int value = 0;
  for (char c : port) {
    if (c < '0' || c > '9') return {setting};
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > 65535) return {setting};
  return {setting.substr(0, colon), value, true};
}

}  // namespace tarvex::outbound
