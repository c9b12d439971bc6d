// The SMTP client against a real SMTP server on the loopback interface
// (Debian's python3-aiosmtpd, which stores what it receives in a Maildir),
// through the production socket transport and on real time.
#include <gtest/gtest.h>

#include <regex>

#ifndef _WIN32
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/session.h"
#include "outbound/control_panel.h"
#include "outbound/email_channel.h"
#include "outbound/send_message.h"
#include "platform/tcp_transport.h"
#include "platform/text_file.h"
#include "support/loopback_smtp_server.h"
#include "support/real_time_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using testing::free_port;
using testing::LoopbackSmtpServer;

class SmtpLoopbackTest : public ::testing::Test {
 protected:
  SmtpLoopbackTest() {
    session.current_operator = "Anna";
    channel.save_email_settings({"Tarvex Security", "+27115550000", "anna@tarvex.example",
                                 "localhost:" + std::to_string(server.port()), "tarvex", "ACC77",
                                 "prog@tarvex.example"});
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  testing::RealTimeScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  EmailChannel channel{session, platform::make_tcp_transport()};
  LoopbackSmtpServer server{dir.path()};
};

TEST_F(SmtpLoopbackTest, ProgrammingEmailArrivesWithItsEnvelopeHeadersAndBody) {
  ASSERT_TRUE(server.ready()) << "aiosmtpd did not start: " << server.diagnostics();
  platform::StringGrid grid(6, 4);
  grid.set_row_cells(1, {"Arm", "12", "4", "1", "ABC", "Selected"});
  grid.set_row_cells(2, {"Too long", "34", "2", "", "XYZ", "Selected"});
  grid.set_row_cells(3, {"Reset", "7", "1", "", "0", "Selected"});
  int locks = 0;
  const EmailRunResult result = channel.program_via_email(
      grid, "+27821234567", "1234", {[&] { ++locks; }, [](const std::string&) {}});
  EXPECT_EQ(result.end, EmailRunEnd::Finished);
  EXPECT_EQ(locks, 1);
  EXPECT_EQ(ui.messages.back(), "2 Messages have been programmed!");
  EXPECT_FALSE(channel.NMSMTP1().connected());

  const auto messages = server.messages();
  ASSERT_EQ(messages.size(), 1u);
  // The server stores the message with LF line ends and adds the envelope as
  // X-MailFrom and X-RcptTo.
  // With a date and an id of its own, which differ from mail to mail.
  static const std::regex stamps(
      "Date: [^\n]+ [+-][0-9]{4}\nMessage-ID: <[^@>]+@tarvex\\.example>\n");
  EXPECT_TRUE(std::regex_search(messages[0], stamps)) << messages[0];
  EXPECT_EQ(std::regex_replace(messages[0], stamps, ""),
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
            "#1234pgm7\"0\"\n"
            "<<\n");
}

TEST_F(SmtpLoopbackTest, DotLinesArriveUnchangedAndARefusedPortIsAConnectionFailure) {
  ASSERT_TRUE(server.ready()) << "aiosmtpd did not start: " << server.diagnostics();
  ASSERT_TRUE(channel.check_connect());
  ASSERT_TRUE(channel.send_email(
      "ACC77 -- +27829999999",
      email_body(channel.settings(), "+27829999999", {".", ".leading dot", "..two"})));
  const auto messages = server.messages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("\n>>\n.\n.leading dot\n..two\n<<\n"), std::string::npos)
      << messages[0];
  EXPECT_TRUE(ui.messages.empty());

  // Nothing listens on this port: the operator hears both messages.
  EmailSettings closed = channel.settings();
  closed.smtp_server = "127.0.0.1:" + std::to_string(free_port());
  ASSERT_TRUE(channel.save_email_settings(closed));
  EXPECT_FALSE(channel.check_connect());
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Programmer can not connect to the email server!",
                                      "Unable to connect to email server...check connection!"}));
  EXPECT_FALSE(channel.NMSMTP1().connected());
}

TEST_F(SmtpLoopbackTest, SendMessageAndControlPanelPayloadsArriveAsTheirOneLine) {
  ASSERT_TRUE(server.ready()) << "aiosmtpd did not start: " << server.diagnostics();
  std::vector<std::string> log;
  auto logger = [&](const std::string& e) { log.push_back(e); };
  MessageSender sender(session, channel, logger);
  EXPECT_TRUE(sender.send_by_email("+27830000000", "Gate left open").sent);
  const auto drawn = [] { return 0; };
  EXPECT_EQ(
      send_function(session, channel, {"+27821234567", "1234", "ARM", true, true}, drawn, logger),
      "\"$1234ARM\" was send to +27821234567");
  EXPECT_EQ(log, (std::vector<std::string>{"SMS send to: +27830000000 via email",
                                           "Function: ARM send to: +27821234567 via email"}));

  const auto messages = server.messages();
  ASSERT_EQ(messages.size(), 2u);
  // The two arrive in no particular order.
  auto arrived = [&](const std::string& destination, const std::string& payload) {
    const std::string subject = "Subject: ACC77 -- " + destination + "\n";
    const std::string body = "Owner: Tarvex Security\nTel: +27115550000\nTo: " + destination +
                             "\n>>\n" + payload + "\n<<\n";
    return std::any_of(messages.begin(), messages.end(), [&](const std::string& m) {
      return m.find(subject) != std::string::npos && m.find(body) != std::string::npos;
    });
  };
  EXPECT_TRUE(arrived("+27830000000", "Gate left open"));
  EXPECT_TRUE(arrived("+27821234567", "#1234ARM"));
}

}  // namespace
}  // namespace tarvex::outbound

#else
// The Windows build checks its own sockets against an in-process peer
// (tests/platform/tcp_transport_test.cpp).
TEST(SmtpLoopbackTest, ProgrammingEmailArrivesWithItsEnvelopeHeadersAndBody) {
  GTEST_SKIP() << "needs Debian's Python SMTP server (aiosmtpd), started with fork()";
}
#endif
