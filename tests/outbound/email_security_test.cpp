#include "outbound/email_security.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <sddl.h>
#endif

#include "app/session.h"
#include "outbound/email_channel.h"
#include "platform/file_api.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
// Wine keeps no access lists of files: it maps them onto the Unix permission
// bits and back, coarsely (the owner here is root, not the user of the
// prefix). Only a real Windows can show the list.
bool access_lists_kept() {
  return !GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version");
}
#endif

// Neither group nor others may touch the file: on Windows one entry in its
// access list, for the user, and nothing inherited from the folder.
bool private_to_owner(const std::string& path) {
#ifdef _WIN32
  if (!access_lists_kept()) return true;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetNamedSecurityInfoW(platform::to_fs_path(path).c_str(), SE_FILE_OBJECT,
                            DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr, nullptr,
                            &descriptor) != ERROR_SUCCESS)
    return false;
  LPWSTR text = nullptr;
  const bool converted = ConvertSecurityDescriptorToStringSecurityDescriptorW(
      descriptor, SDDL_REVISION_1, DACL_SECURITY_INFORMATION, &text, nullptr);
  LocalFree(descriptor);
  if (!converted) return false;
  const std::wstring list = text;
  LocalFree(text);
  return list.rfind(L"D:P(A;;FA;;;S-1-5-21-", 0) == 0 &&
         std::count(list.begin(), list.end(), L'(') == 1;
#else
  return (fs::status(path).permissions() & (fs::perms::group_all | fs::perms::others_all)) ==
         fs::perms::none;
#endif
}

// What a copy in a folder open to every user looks like.
void widen_to_everyone(const std::string& path) {
#ifdef _WIN32
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(
      L"D:(A;;FA;;;WD)", SDDL_REVISION_1, &descriptor, nullptr));
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted);
  std::wstring wide = platform::to_fs_path(path).native();
  EXPECT_EQ(SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                  DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION,
                                  nullptr, nullptr, list, nullptr),
            static_cast<DWORD>(ERROR_SUCCESS));
  LocalFree(descriptor);
  if (!access_lists_kept()) return;
#else
  fs::permissions(path, fs::perms::group_read | fs::perms::others_read, fs::perm_options::add);
#endif
  ASSERT_FALSE(private_to_owner(path));
}

class EmailSecurityTest : public ::testing::Test {
 protected:
  EmailSecurityTest() {
    auto transport = std::make_unique<testing::ScriptedSmtpServer>();
    server = transport.get();
    channel = std::make_unique<EmailChannel>(session, std::move(transport));
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  testing::ScriptedSmtpServer* server = nullptr;
  std::unique_ptr<EmailChannel> channel;
};

TEST_F(EmailSecurityTest, FileIsTheOperatorsAloneAndRoundTrips) {
  const std::string path = dir.file(kEmailSecurityFile);
  // Missing: the plain default, and nothing to report.
  EXPECT_TRUE(channel->load_email_security());
  EXPECT_EQ(channel->security(), EmailSecurity{});

  // The login as UTF-8, as AUTH takes it: "\xC3\xA4" is a-umlaut, "\xC5\x82" an
  // l with stroke, which no 8-bit code page of Western Europe holds.
  const EmailSecurity values{SmtpSecurity::StartTls, 2587, "anna@provider.example",
                             "p\xC3\xA4ss = w\xC5\x82rd ", "/etc/ssl/relay.pem"};
  const mode_t old_mask = ::umask(0);  // even a permissive umask gives a private file
  const bool saved = channel->save_email_security(values);
  ::umask(old_mask);
  ASSERT_TRUE(saved);
  EXPECT_TRUE(private_to_owner(path));
  EXPECT_EQ(platform::read_file(path),
            "Security=STARTTLS\r\nPort=2587\r\nUser=anna@provider.example\r\n"
            "Password=p\xC3\xA4ss = w\xC5\x82rd \r\nCertificateFile=/etc/ssl/relay.pem\r\n");

  // Widened by someone else: narrowed again on reading, values intact.
  widen_to_everyone(path);
  EmailSecurity read;
  EXPECT_EQ(read_email_security(path, read), std::nullopt);
  EXPECT_EQ(read, values);
  EXPECT_TRUE(private_to_owner(path));
  EXPECT_TRUE(ui.messages.empty());

  // Written by an earlier version in Latin-1: read as such.
  platform::write_file(path, "User=J\xFCrgen\r\nPassword=p\xE4ss\r\n");
  EXPECT_EQ(read_email_security(path, read), std::nullopt);
  EXPECT_EQ(read.user_name, "J\xC3\xBCrgen");
  EXPECT_EQ(read.password, "p\xC3\xA4ss");
}

TEST_F(EmailSecurityTest, UnreadableSettingsSendNothingUntilTheyAreAppliedAgain) {
  ASSERT_TRUE(channel->save_email_settings(
      {"Owner", "012", "a@x", "mail.example.net", "tarvex", "A1", "p@x"}));
  // Something of the file's name that can not be read as a file.
  fs::create_directory(dir.file(kEmailSecurityFile));
  EXPECT_FALSE(channel->load_email_security());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind(kSecurityUnreadable, 0), 0u) << ui.messages[0];
  ui.messages.clear();
  EXPECT_FALSE(channel->check_connect());
  EXPECT_EQ(server->connects, 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind(kSecurityUnreadable, 0), 0u);

  fs::remove(dir.file(kEmailSecurityFile));
  ASSERT_TRUE(channel->save_email_security({SmtpSecurity::StartTls, 0, "", "", ""}));
  EXPECT_TRUE(channel->check_connect());
  EXPECT_EQ(server->connects, 1);
}

TEST_F(EmailSecurityTest, UnstorableOrDamagedValuesNeverFallBackToClearText) {
  EmailSecurity values{SmtpSecurity::Tls, 0, "anna", "two\nlines", ""};
  EXPECT_FALSE(channel->save_email_security(values));
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"The password can not be saved: it holds a line break."}));
  EXPECT_FALSE(platform::file_exists(dir.file(kEmailSecurityFile)));

  platform::write_file(dir.file(kEmailSecurityFile), "Security=SSL3\r\nPort=99999\r\nUser=x\r\n");
  ui.messages.clear();
  EXPECT_FALSE(channel->load_email_security());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("not understood"), std::string::npos);
  EXPECT_EQ(channel->security().security, SmtpSecurity::StartTls);
  EXPECT_EQ(channel->security().user_name, "x");
  EXPECT_EQ(port_setting(""), 0);
  EXPECT_EQ(port_setting("0"), std::nullopt);
  EXPECT_EQ(port_setting("65536"), std::nullopt);
}

TEST_F(EmailSecurityTest, PortComesFromTheServerSettingThenThePortThenTheSecurity) {
  EmailSettings account = {"Owner", "012", "a@x", "mail.example.net", "tarvex", "A1", "p@x"};
  ASSERT_TRUE(channel->save_email_settings(account));
  const struct {
    SmtpSecurity security;
    int port;
    const char* server_setting;
    int expected;
  } cases[] = {{SmtpSecurity::None, 0, "mail.example.net", 25},
               {SmtpSecurity::StartTls, 0, "mail.example.net", 587},
               {SmtpSecurity::Tls, 0, "mail.example.net", 465},
               {SmtpSecurity::StartTls, 2525, "mail.example.net", 2525},
               {SmtpSecurity::Tls, 2525, "mail.example.net:10465", 10465}};
  for (const auto& c : cases) {
    account.smtp_server = c.server_setting;
    ASSERT_TRUE(channel->save_email_settings(account));
    ASSERT_TRUE(channel->save_email_security({c.security, c.port, "", "", ""}));
    ASSERT_TRUE(channel->check_connect());
    EXPECT_EQ(server->connected_port, c.expected);
    EXPECT_EQ(channel->NMSMTP1().secured(), c.security != SmtpSecurity::None);
    channel->NMSMTP1().disconnect();
  }
}

TEST_F(EmailSecurityTest, SecureFailuresNameTheirCauseWithoutThePassword) {
  ASSERT_TRUE(channel->save_email_settings(
      {"Owner", "012", "a@x", "mail.example.net", "tarvex", "A1", "p@x"}));
  ASSERT_TRUE(channel->save_email_security({SmtpSecurity::StartTls, 0, "anna", "hunter2", ""}));
  server->replies["AUTH"] = {"535 5.7.8 Authentication credentials invalid\r\n"};
  EXPECT_FALSE(channel->check_connect());
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Unable to connect to email server...check connection!\n"
                                      "The server refused the login: 535 5.7.8 Authentication "
                                      "credentials invalid"}));

  server->replies["AUTH"] = {"235 OK\r\n"};
  server->replies["."] = {"554 5.7.1 Rejected\r\n"};
  ui.messages.clear();
  ASSERT_TRUE(channel->check_connect());
  EXPECT_FALSE(channel->send_email("A1 -- 123", "body\r\n"));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{
                             "Email sending failed!",
                             "Error sending email...Check connection!\n554 5.7.1 Rejected"}));
}

}  // namespace
}  // namespace tarvex::outbound
