// The secure path against a real server: aiosmtpd with a certificate made
// for the test, demanding STARTTLS and a login (or TLS from the first byte),
// through the production TLS and socket transports on real time. Under Wine
// scripts/test-windows starts the two servers on the Linux side beforehand.
#include <gtest/gtest.h>

#include <regex>

#if defined(TARVEX_HAS_TLS)

#include <cstdlib>

#include "app/session.h"
#include "outbound/email_channel.h"
#include "platform/tcp_transport.h"
#include "platform/text_file.h"
#include "platform/tls_transport.h"
#include "support/loopback_smtp_server.h"
#include "support/real_time_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

constexpr const char* kPassword = "s3cret pass";

// What the server stores for the programming e-mail of the run below: the
// same bytes the plain path delivers.
constexpr const char* kStoredMessage =
    "From: Anna<anna@tarvex.example>\n"
    "To: prog@tarvex.example\n"
    "Subject: ACC77 -- +27821234567\n"
    "Mime-Version: 1.0\n"
    "Content-Type: text/plain; charset=us-ascii\n"
    "X-MailFrom: anna@tarvex.example\n"
    "X-RcptTo: prog@tarvex.example\n"
    "\n"
    "\n"
    "Owner: Tarvex Security\n"
    "Tel: +27115550000\n"
    "To: +27821234567\n"
    ">>\n"
    "#1234pgm12\"1ABC\"\n"
    "<<\n";

// The stored messages without their "Date:" and "Message-ID:" lines, which
// every message has.
std::vector<std::string> unstamped(std::vector<std::string> messages) {
  static const std::regex stamps("Date: [^\n]+ [+-][0-9]{4}\nMessage-ID: <[^@>]+@[^>\n]+>\n");
  for (auto& message : messages) {
    if (!std::regex_search(message, stamps)) return {"no date or id: " + message};
    message = std::regex_replace(message, stamps, "");
  }
  return messages;
}

class SmtpTlsLoopbackTest : public ::testing::Test {
 protected:
  SmtpTlsLoopbackTest() {
    session.current_operator = "Anna";
#ifdef _WIN32
    // The certificate the servers started outside were given.
    if (const char* servers = std::getenv("TARVEX_OUTSIDE_SMTP_SERVERS"))
      certificate = platform::join_path(servers, "server.pem");
    certificate_made = platform::file_exists(certificate);
    return;
#endif
    const std::string command =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
        " -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1 -keyout '" +
        key + "' -out '" + certificate + "' 2>'" + dir.file("openssl.log") + "'";
    certificate_made = std::system(command.c_str()) == 0;
  }

#ifdef _WIN32
  void SetUp() override {
    if (!std::getenv("TARVEX_OUTSIDE_SMTP_SERVERS"))
      GTEST_SKIP() << "no servers started outside: scripts/test-windows starts them under Wine";
  }
#endif

  // Starts the server; mode "starttls" or "tls". (Under Wine: finds the one
  // started for the mode, with the same logins left out.)
  void start(const std::string& mode, const std::string& excluded_logins = "") {
#ifdef _WIN32
    (void)excluded_logins;
    server = testing::LoopbackSmtpServer::started_outside(mode);
#else
    server = std::make_unique<testing::LoopbackSmtpServer>(
        dir.path(), std::vector<std::string>{
                        TARVEX_SOURCE_DIR "/tests/support/secure_smtp_server.py", "{port}",
                        certificate, key, "{maildir}", mode, "anna", kPassword, excluded_logins});
#endif
    ASSERT_TRUE(server->ready()) << "server did not start: " << server->diagnostics();
    ASSERT_TRUE(channel.save_email_settings(
        {"Tarvex Security", "+27115550000", "anna@tarvex.example",
         "localhost:" + std::to_string(server->port()), "tarvex", "ACC77", "prog@tarvex.example"}));
  }

  void secure(SmtpSecurity security, const std::string& password, const std::string& trust) {
    ASSERT_TRUE(channel.save_email_security({security, 0, "anna", password, trust}));
  }

  EmailRunResult program() {
    platform::StringGrid grid(6, 2);
    grid.set_row_cells(1, {"Arm", "12", "4", "1", "ABC", "Selected"});
    return channel.program_via_email(grid, "+27821234567", "1234", {});
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  testing::RealTimeScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  EmailChannel channel{session,
                       std::make_unique<platform::TlsTransport>(platform::make_tcp_transport())};
  std::string certificate = dir.file("server.pem");
  std::string key = dir.file("server.key");
  bool certificate_made = false;
  std::unique_ptr<testing::LoopbackSmtpServer> server;
};

TEST_F(SmtpTlsLoopbackTest, StartTlsWithLoginDeliversThePlainBytesAndRefusalsNameTheirCause) {
  ASSERT_TRUE(certificate_made) << platform::read_file(dir.file("openssl.log"));
  start("starttls");

  // A certificate nobody vouches for: refused before any login is sent.
  secure(SmtpSecurity::StartTls, kPassword, "");
  EXPECT_FALSE(channel.check_connect());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "Unable to connect to email server...check connection!\n"
            "The secure connection failed: the server's certificate was not accepted "
            "(self-signed certificate)");

  // Trusted through the certificate file, but the wrong password.
  ui.messages.clear();
  secure(SmtpSecurity::StartTls, "wrong", certificate);
  EXPECT_FALSE(channel.check_connect());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("Unable to connect to email server...check connection!\n"
                                 "The server refused the login: 535",
                                 0),
            0u)
      << ui.messages[0];

  // The plain path is turned away at HELO by a server that demands
  // STARTTLS, with its messages as they always were.
  ui.messages.clear();
  secure(SmtpSecurity::None, kPassword, certificate);
  EXPECT_EQ(program().end, EmailRunEnd::Finished);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Unable to connect to email server...check connection!",
                                      "0 Messages have been programmed!"}));

  ui.messages.clear();
  secure(SmtpSecurity::StartTls, kPassword, certificate);
  EXPECT_EQ(program().end, EmailRunEnd::Finished);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"1 Messages have been programmed!"}));
  EXPECT_EQ(unstamped(server->messages()), (std::vector<std::string>{kStoredMessage}));
}

TEST_F(SmtpTlsLoopbackTest, TlsFromTheFirstByteWithAuthLogin) {
  ASSERT_TRUE(certificate_made) << platform::read_file(dir.file("openssl.log"));
  start("tls", "PLAIN");
  secure(SmtpSecurity::Tls, kPassword, certificate);
  EXPECT_EQ(program().end, EmailRunEnd::Finished);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"1 Messages have been programmed!"}));
  EXPECT_EQ(unstamped(server->messages()), (std::vector<std::string>{kStoredMessage}));
}

}  // namespace
}  // namespace tarvex::outbound

#else
TEST(SmtpTlsLoopbackTest, StartTlsWithLoginDeliversThePlainBytesAndRefusalsNameTheirCause) {
  GTEST_SKIP() << "built without OpenSSL (the Windows cross-build has it only from the cache "
                  "of scripts/build-windows-deps)";
}
#endif
