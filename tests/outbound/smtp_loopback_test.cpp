// The SMTP client against a real SMTP server on the loopback interface
// (Debian's python3-aiosmtpd, which stores what it receives in a Maildir),
// through the production socket transport and on real time.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "app/session.h"
#include "outbound/email_channel.h"
#include "platform/tcp_transport.h"
#include "platform/text_file.h"
#include "support/real_time_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

namespace fs = std::filesystem;

// A port that nothing listens on right now.
int free_port() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
  ::close(s);
  return ntohs(a.sin_port);
}

bool port_accepts(int port) {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  a.sin_port = htons(static_cast<std::uint16_t>(port));
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
  ::close(s);
  return ok;
}

// aiosmtpd on 127.0.0.1:port, storing messages in maildir; stopped when the
// object goes.
class LoopbackSmtpServer {
 public:
  explicit LoopbackSmtpServer(const std::string& folder)
      : port_(free_port()), maildir_(folder + "/maildir") {
    const std::string listen = "127.0.0.1:" + std::to_string(port_);
    const std::string log = folder + "/aiosmtpd.log";
    pid_ = ::fork();
    if (pid_ == 0) {
      // Only async-signal-safe calls between fork and exec.
      const int fd = ::open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      if (fd >= 0) ::dup2(fd, 2);
      ::execl("/usr/bin/python3", "python3", "-m", "aiosmtpd", "-n", "-l", listen.c_str(), "-c",
              "aiosmtpd.handlers.Mailbox", maildir_.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // It takes about half a second to listen; allow plenty on a busy machine.
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < give_up) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        break;
      }
      if (port_accepts(port_)) {
        ready_ = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!ready_) diagnostics_ = platform::file_exists(log) ? platform::read_file(log) : "";
  }
  ~LoopbackSmtpServer() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 50; ++i) {
      if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  LoopbackSmtpServer(const LoopbackSmtpServer&) = delete;
  LoopbackSmtpServer& operator=(const LoopbackSmtpServer&) = delete;

  bool ready() const { return ready_; }
  int port() const { return port_; }
  const std::string& diagnostics() const { return diagnostics_; }

  // The stored messages, each with the header that names the client's own
  // port removed.
  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    const fs::path folder = fs::path(maildir_) / "new";
    if (!fs::is_directory(folder)) return out;
    for (const auto& entry : fs::directory_iterator(folder)) {
      std::string text = platform::read_file(entry.path().string());
      const auto peer = text.find("X-Peer: ");
      if (peer != std::string::npos) text.erase(peer, text.find('\n', peer) + 1 - peer);
      out.push_back(text);
    }
    return out;
  }

 private:
  int port_;
  std::string maildir_;
  pid_t pid_ = -1;
  bool ready_ = false;
  std::string diagnostics_;
};

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
  EXPECT_EQ(messages[0],
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

}  // namespace
}  // namespace tarvex::outbound

#else
// The Windows build checks its own sockets against an in-process peer
// (tests/platform/tcp_transport_test.cpp).
TEST(SmtpLoopbackTest, ProgrammingEmailArrivesWithItsEnvelopeHeadersAndBody) {
  GTEST_SKIP() << "needs Debian's Python SMTP server (aiosmtpd), started with fork()";
}
#endif
