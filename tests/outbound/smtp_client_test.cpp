#include "outbound/smtp_client.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include <cerrno>

#include "outbound/socket_errors.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"

namespace tarvex::outbound {
namespace {

using testing::ScriptedSmtpServer;
using Reply = ScriptedSmtpServer::Reply;

class SmtpClientTest : public ::testing::Test {
 protected:
  SmtpClientTest() {
    auto transport = std::make_unique<ScriptedSmtpServer>();
    server = transport.get();
    client = std::make_unique<SmtpClient>(scheduler, std::move(transport));
    client->Host = "mail.example.net";
    client->UserID = "tarvex";
    client->OnConnect = [this] { events.push_back("connect"); };
    client->OnDisconnect = [this] { events.push_back("disconnect"); };
    client->OnConnectionFailed = [this] { events.push_back("connection failed"); };
    client->OnSuccess = [this] { events.push_back("success"); };
    client->OnFailure = [this] { events.push_back("failure"); };
    client->OnRecipientNotFound = [this](const std::string& e) { events.push_back("no " + e); };
    client->OnPacketSent = [this] { ++packets; };
  }

  void simple_message() {
    client->PostMessage.FromName = "Anna";
    client->PostMessage.FromAddress = "anna@tarvex.example";
    client->PostMessage.ToAddress = {"prog@tarvex.example"};
    client->PostMessage.Subject = "ACC1 -- +27821234567";
    client->PostMessage.Body = {"hello"};
  }

  // Runs fn and returns the text of the SmtpError it throws ("" if none).
  template <typename Fn>
  std::string error_of(Fn fn) {
    try {
      fn();
    } catch (const SmtpError& e) {
      return e.what();
    }
    return "";
  }

  platform::VirtualScheduler scheduler;
  ScriptedSmtpServer* server = nullptr;
  std::unique_ptr<SmtpClient> client;
  std::vector<std::string> events;
  int packets = 0;
};

TEST_F(SmtpClientTest, SendsEnvelopeHeadersAndDotStuffedBodyByteForByte) {
  server->greeting = {"220-mail.example.net first line\r\n220-second line\r\n220 ready\r\n"};
  server->replies["HELO"] = {"250-mail.example.net greets tarvex\r\n250 HELP\r\n"};
  auto& m = client->PostMessage;
  m.FromName = "Anna";
  m.FromAddress = "anna@tarvex.example";
  m.ToAddress = {"Programming <prog@tarvex.example>"};
  m.ToCarbonCopy = {"cc@tarvex.example"};
  m.ToBlindCarbonCopy = {"smtp:bcc@tarvex.example:x"};
  m.Subject = "ACC1 -- +27821234567";
  m.Body = {".starts with a dot", "", "plain", "..two"};

  std::vector<std::string> statuses;
  client->OnStatus = [&](const std::string& text) { statuses.push_back(text); };
  client->ReportLevel = 1;  // stages only, no protocol lines

  client->connect();
  EXPECT_TRUE(client->connected());
  EXPECT_EQ(server->connected_address, "192.0.2.25");
  EXPECT_EQ(server->connected_port, 25);
  client->send_mail();
  // The multi-line replies were read to their last lines, so every later
  // reply matched its own command.
  EXPECT_EQ(client->reply_text(), "250 OK queued");
  client->disconnect();

  const std::vector<std::string> expected_commands = {"HELO tarvex",
                                                      "RSET",
                                                      "MAIL FROM:<anna@tarvex.example>",
                                                      "RCPT TO:<prog@tarvex.example>",
                                                      "RCPT TO:<cc@tarvex.example>",
                                                      "RCPT TO:<bcc@tarvex.example>",
                                                      "DATA",
                                                      ".",
                                                      "QUIT"};
  EXPECT_EQ(server->commands, expected_commands);
  EXPECT_EQ(server->data,
            "From: Anna<anna@tarvex.example>\r\n"
            "To: Programming <prog@tarvex.example>\r\n"
            "CC: cc@tarvex.example\r\n"
            "Subject: ACC1 -- +27821234567\r\n"
            "Mime-Version: 1.0\r\n"
            "Content-Type: text/plain; charset=us-ascii\r\n"
            "\r\n\r\n"
            "..starts with a dot\r\n"
            "\r\n"
            "plain\r\n"
            "...two\r\n");
  EXPECT_EQ(events, (std::vector<std::string>{"connect", "success", "disconnect"}));
  EXPECT_EQ(statuses, (std::vector<std::string>{
                          "Resolving host mail.example.net", "Connecting to 192.0.2.25",
                          "Connected", "Sending message", "Message sent", "Disconnected"}));
  EXPECT_FALSE(client->connected());
  EXPECT_FALSE(server->open());
  // Recipients go after a successful send; the rest of the message stays.
  EXPECT_TRUE(m.ToAddress.empty() && m.ToCarbonCopy.empty() && m.ToBlindCarbonCopy.empty());
  EXPECT_EQ(m.Subject, "ACC1 -- +27821234567");
}

TEST_F(SmtpClientTest, HeaderLinesAppearOnlyWhenFilledAndNeverBreak) {
  simple_message();
  client->PostMessage.Subject.clear();
  EXPECT_EQ(client->build_header(),
            "From: Anna<anna@tarvex.example>\r\nTo: prog@tarvex.example\r\n"
            "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n");
  client->PostMessage.ToAddress = {"a@x", "b@y"};
  client->PostMessage.Subject = "one\r\nBcc: evil@x";
  client->PostMessage.LocalProgram = "Tarvex";
  client->PostMessage.ReplyTo = "r@x";
  client->PostMessage.Date = "Tue, 8 Dec 2026 10:00:00 +0200";
  EXPECT_EQ(client->build_header(),
            "From: Anna<anna@tarvex.example>\r\nTo: a@x,b@y\r\nSubject: oneBcc: evil@x\r\n"
            "X-Mailer: Tarvex\r\nReply-To: r@x\r\nDate: Tue, 8 Dec 2026 10:00:00 +0200\r\n"
            "Mime-Version: 1.0\r\nContent-Type: text/plain; charset=us-ascii\r\n");
  // A line break inside a body line starts a new line, which is stuffed too.
  client->PostMessage.Body = {"a\n.b", "c\r\rd"};
  EXPECT_EQ(client->build_body(), "a\r\n..b\r\nc\r\n\r\nd\r\n");
}

TEST_F(SmtpClientTest, RefusedRecipientIsReportedAndTheOthersStillGetTheMessage) {
  simple_message();
  client->PostMessage.ToAddress = {"Bad <bad@x>", "prog@tarvex.example", "<>"};
  server->rcpt_replies["bad@x"] = {"550 No such user\r\n"};
  client->connect();
  client->send_mail();
  EXPECT_EQ(events, (std::vector<std::string>{"connect", "no Bad <bad@x>", "success"}));
  // The empty address is skipped.
  EXPECT_EQ(std::count(server->commands.begin(), server->commands.end(), "RCPT TO:<>"), 0);
  EXPECT_NE(server->data.find("hello\r\n"), std::string::npos);
}

TEST_F(SmtpClientTest, AllRecipientsRefusedFailsAtDataWithTheServersLine) {
  simple_message();
  server->replies["RCPT"] = {"550 No such user\r\n"};
  server->replies["DATA"] = {"503 5.5.1 Error: need RCPT command\r\n"};
  client->connect();
  EXPECT_EQ(error_of([&] { client->send_mail(); }), "503 5.5.1 Error: need RCPT command");
  EXPECT_FALSE(client->busy());
  EXPECT_TRUE(client->connected());
  EXPECT_EQ(std::count(events.begin(), events.end(), "failure"), 0);
}

TEST_F(SmtpClientTest, RefusedEndOfDataRaisesFailureBeforeTheError) {
  simple_message();
  server->replies["."] = {"554 5.7.1 Message rejected\r\n"};
  client->connect();
  std::string error;
  client->OnFailure = [&] {
    events.push_back("failure");
    EXPECT_TRUE(error.empty());
  };
  error = error_of([&] { client->send_mail(); });
  EXPECT_EQ(error, "554 5.7.1 Message rejected");
  EXPECT_EQ(events, (std::vector<std::string>{"connect", "failure"}));
  EXPECT_FALSE(client->busy());
  // Nothing was delivered, so the recipients stay for another try.
  EXPECT_EQ(client->PostMessage.ToAddress.size(), 1u);
}

TEST_F(SmtpClientTest, ConnectionClosedMidReplyIsAFailureNeverASuccess) {
  simple_message();
  server->replies["MAIL"] = {"250 O", true};
  client->connect();
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kConnectionClosed);
  EXPECT_EQ(std::count(events.begin(), events.end(), "success"), 0);
  // The closing QUIT finds the server gone, and the connection is closed.
  EXPECT_NE(error_of([&] { client->disconnect(); }), "");
  EXPECT_FALSE(client->connected());

  // A server that hangs up instead of greeting: the connect fails and closes.
  server->greeting = {"", true};
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kConnectionClosed);
  EXPECT_FALSE(client->connected());
  EXPECT_FALSE(server->open());
}

TEST_F(SmtpClientTest, SilentServerTimesOutAfterTwentySecondsOfVirtualTime) {
  server->greeting = {"", false, true};
  const auto start = scheduler.now_ms();
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kReadAborted);
  const auto waited = scheduler.now_ms() - start;
  EXPECT_GE(waited, 20000);
  EXPECT_LE(waited, 20010);  // the closing QUIT does not wait a second time
  EXPECT_TRUE(client->timed_out());
  EXPECT_FALSE(client->connected());
  EXPECT_FALSE(server->open());

  // The next connect starts cleanly.
  server->greeting = {"220 back\r\n"};
  client->connect();
  EXPECT_TRUE(client->connected());
  EXPECT_FALSE(client->timed_out());

  // A reply that never comes in the middle of a send.
  simple_message();
  server->replies["."] = {"", false, true};
  const auto before_send = scheduler.now_ms();
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kReadAborted);
  EXPECT_GE(scheduler.now_ms() - before_send, 20000);
  EXPECT_LE(scheduler.now_ms() - before_send, 20010);
  EXPECT_FALSE(client->busy());
}

TEST_F(SmtpClientTest, ConnectFailuresRaiseConnectionFailedWithTheirTexts) {
  server->connect = ScriptedSmtpServer::Connect::Refuse;
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kConnectionFailed);
  EXPECT_EQ(events, (std::vector<std::string>{"connection failed"}));
  EXPECT_FALSE(client->connected());

  events.clear();
  server->connect = ScriptedSmtpServer::Connect::NeverAnswer;
  const auto start = scheduler.now_ms();
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kConnectionTimedOut);
  EXPECT_GE(scheduler.now_ms() - start, 20000);
  EXPECT_EQ(events, (std::vector<std::string>{"connection failed"}));

  events.clear();
  scheduler.set_pump_hook([&] { client->abort(); });
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kConnectionCanceled);
  EXPECT_EQ(events, (std::vector<std::string>{"connection failed"}));
}

TEST_F(SmtpClientTest, HostLookupOutcomes) {
  client->Host = "nowhere.example";
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kNullRemoteAddress);
  EXPECT_EQ(server->connects, 0);

  // The invalid-host handler may correct the name and ask for one more try.
  client->OnInvalidHost = [&](bool& retry) {
    client->Host = "mail.example.net";
    retry = true;
  };
  client->connect();
  EXPECT_TRUE(client->connected());
  client->disconnect();

  server->lookup_never_ends = true;
  const auto start = scheduler.now_ms();
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kHostLookupTimedOut);
  EXPECT_GE(scheduler.now_ms() - start, 20000);
  // A connect started from a window message while the name is looked up is
  // refused and leaves the one in progress alone; then that one is aborted.
  std::string nested = "not called";
  scheduler.set_pump_hook([&] {
    if (nested == "not called") nested = error_of([&] { client->connect(); });
    client->abort();
  });
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kHostLookupCanceled);
  EXPECT_EQ(nested, smtp_text::kAlreadyConnected);
  EXPECT_FALSE(client->connecting());
  scheduler.set_pump_hook(nullptr);

  // A dotted address needs no look-up.
  const int lookups = server->lookups;
  client->Host = "10.1.2.3";
  client->Port = 2525;
  client->connect();
  EXPECT_EQ(server->lookups, lookups);
  EXPECT_EQ(server->connected_address, "10.1.2.3");
  EXPECT_EQ(server->connected_port, 2525);
}

TEST_F(SmtpClientTest, GreetingAndHeloRefusals) {
  server->greeting = {"554 Go away\r\n"};
  EXPECT_EQ(error_of([&] { client->connect(); }), "554 Go away");
  EXPECT_EQ(server->commands, (std::vector<std::string>{"QUIT"}));
  EXPECT_FALSE(client->connected());

  server->greeting = {"220 ready\r\n"};
  server->replies["HELO"] = {"550 Who are you\r\n"};
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kAuthenticationFailed);
  EXPECT_FALSE(client->connected());
  EXPECT_EQ(server->closes, 2);

  // One retry of HELO when the handler asks for it.
  int asked = 0;
  client->OnAuthenticationFailed = [&](bool& retry) {
    ++asked;
    server->replies["HELO"] = {"250 fine\r\n"};
    client->UserID = "other";
    retry = true;
  };
  client->connect();
  EXPECT_TRUE(client->connected());
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(server->commands.back(), "HELO other");
}

TEST_F(SmtpClientTest, AbortEndsAWaitAtOnceAndTheNextConnectStartsCleanly) {
  server->greeting = {"", false, true};
  scheduler.set_pump_hook([&] {
    if (scheduler.now_ms() >= 100) client->abort();
  });
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kReadAborted);
  EXPECT_LT(scheduler.now_ms(), 200);
  EXPECT_TRUE(client->cancelled());
  EXPECT_FALSE(client->timed_out());
  scheduler.set_pump_hook(nullptr);
  server->greeting = {"220 ready\r\n"};
  client->connect();
  EXPECT_TRUE(client->connected());
  EXPECT_FALSE(client->cancelled());
  EXPECT_EQ(error_of([&] { client->connect(); }), smtp_text::kAlreadyConnected);
}

TEST_F(SmtpClientTest, SecondSendDuringASendHasNoEffect) {
  simple_message();
  server->replies["."] = {"250 OK\r\n"};
  client->connect();
  int nested = 0;
  client->OnSendStart = [&] {
    // A window message that starts another send while this one runs.
    client->send_mail();
    ++nested;
  };
  client->send_mail();
  EXPECT_EQ(nested, 1);
  EXPECT_EQ(std::count(server->commands.begin(), server->commands.end(), "RSET"), 1);
  EXPECT_EQ(std::count(events.begin(), events.end(), "success"), 1);
}

TEST_F(SmtpClientTest, LargeBodyGoesInPiecesOfAtMost64KiB) {
  simple_message();
  std::vector<std::string> lines(3000, std::string(98, 'x'));
  client->PostMessage.Body = lines;
  server->take_per_send = 7000;  // the connection takes less than offered
  client->connect();
  client->send_mail();
  const std::size_t expected_bytes = client->FinalHeader.size() + 4 + 3000 * 100;
  EXPECT_EQ(server->data.size(), expected_bytes);
  EXPECT_EQ(packets, static_cast<int>((expected_bytes + 65535) / 65536));

  // Offered in one go, no single send exceeds 64 KiB.
  server->take_per_send = 0;
  server->send_sizes.clear();
  client->PostMessage.ToAddress = {"prog@tarvex.example"};
  client->send_mail();
  for (auto size : server->send_sizes) EXPECT_LE(size, 65536u);
}

TEST_F(SmtpClientTest, SocketErrorsAreReportedWithWindowsSocketsNumbers) {
  server->receive_error = ECONNRESET;
  EXPECT_EQ(error_of([&] { client->connect(); }), "10054:Connection reset by peer");
  EXPECT_FALSE(client->connected());

  EXPECT_EQ(socket_error_text(ECONNREFUSED), "10061:Connection refused");
  EXPECT_EQ(winsock_error_text(10101), "Unknown Error No. 10101");
}

TEST_F(SmtpClientTest, SendNeedsAConnectionASenderAndARecipient) {
  simple_message();
  int required = 0;
  client->OnConnectionRequired = [&] { ++required; };
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kNotConnected);
  EXPECT_EQ(required, 1);
  EXPECT_FALSE(client->busy());

  client->connect();
  client->PostMessage.ToAddress.clear();
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kIncompleteHeader);
  client->OnHeaderIncomplete = [&] { client->PostMessage.ToAddress = {"late@x"}; };
  client->send_mail();
  EXPECT_NE(server->data.find("To: late@x\r\n"), std::string::npos);
}

TEST_F(SmtpClientTest, QuitRefusalIsReportedAfterTheConnectionIsClosed) {
  server->replies["QUIT"] = {"500 Not now\r\n"};
  client->connect();
  EXPECT_EQ(error_of([&] { client->disconnect(); }), "500 Not now");
  EXPECT_FALSE(client->connected());
  EXPECT_FALSE(server->open());
  // Nothing left to close.
  EXPECT_EQ(error_of([&] { client->disconnect(); }), "");
}

// A reply that breaks the protocol ends the session at once: without it,
// later replies would be read one step behind and a "354" could pass for
// the end of the data being taken.
TEST_F(SmtpClientTest, RepliesThatBreakTheProtocolEndTheSessionWithoutSuccess) {
  simple_message();
  const struct {
    std::string rset_reply;
    const char* error;
  } cases[] = {
      {"250 " + std::string(65540, 'x') + "\r\n", smtp_text::kReplyTooLong},
      {"250 " + std::string(65531, 'x') + "\r\n", smtp_text::kReplyTooLong},
      {"hello there\r\n", smtp_text::kReplyWithoutCode},
      {"2500 OK\r\n", smtp_text::kReplyWithoutCode},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rset_reply.substr(0, 20));
    client->PostMessage.ToAddress = {"prog@tarvex.example"};
    server->replies["RSET"] = {c.rset_reply};
    events.clear();
    server->commands.clear();
    client->connect();
    EXPECT_EQ(error_of([&] { client->send_mail(); }), c.error);
    EXPECT_EQ(events, (std::vector<std::string>{"connect"}));
    client->disconnect();
    EXPECT_EQ(server->commands, (std::vector<std::string>{"HELO tarvex", "RSET"}));
    EXPECT_FALSE(client->connected());
    EXPECT_FALSE(server->open());
  }
  // A reply line nobody asked for (found by fuzzing: with it every later
  // reply was one step behind, and the end of the data took DATA's "250").
  server->replies["RSET"] = {"250 OK\r\n250 extra\r\n"};
  events.clear();
  server->commands.clear();
  client->connect();
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kReplyUnasked);
  EXPECT_EQ(server->commands, (std::vector<std::string>{"HELO tarvex", "RSET"}));
  EXPECT_EQ(events, (std::vector<std::string>{"connect"}));
  client->disconnect();
  // A line of exactly 65536 bytes, line end included, still fits.
  server->replies["RSET"] = {"250 " + std::string(65530, 'x') + "\r\n"};
  client->connect();
  client->send_mail();
  EXPECT_EQ(events.back(), "success");
}

TEST_F(SmtpClientTest, EndlessRepliesEndAfterAThousandLinesOrOneLineLimit) {
  client->connect();
  simple_message();
  server->flood = "250-more\r\n";
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kReplyNeverEnds);
  EXPECT_LT(scheduler.now_ms(), 1000);
  client->disconnect();

  server->flood.clear();
  client->connect();
  server->flood = std::string(4096, 'x');
  EXPECT_EQ(error_of([&] { client->send_mail(); }), smtp_text::kReplyTooLong);
  EXPECT_LT(scheduler.now_ms(), 1000);
}

class SecureSmtpClientTest : public SmtpClientTest {
 protected:
  SecureSmtpClientTest() {
    client->Security = SmtpSecurity::StartTls;
    client->LoginUser = "anna";
    client->LoginPassword = "secret";
    client->TrustFile = "/etc/relay.pem";
  }
};

TEST_F(SecureSmtpClientTest, StartTlsThenLoginAndNoSecretInAnyStatus) {
  std::vector<std::string> statuses;
  client->OnStatus = [&](const std::string& text) { statuses.push_back(text); };
  client->ReportLevel = 2;
  simple_message();
  client->connect();
  EXPECT_TRUE(client->secured());
  client->send_mail();
  client->disconnect();
  EXPECT_EQ(server->tls_server_name, "mail.example.net");
  EXPECT_EQ(server->tls_trust_file, "/etc/relay.pem");
  // base64 of NUL "anna" NUL "secret"
  const std::vector<std::string> expected = {"EHLO tarvex",
                                             "STARTTLS",
                                             "EHLO tarvex",
                                             "AUTH PLAIN AGFubmEAc2VjcmV0",
                                             "RSET",
                                             "MAIL FROM:<anna@tarvex.example>",
                                             "RCPT TO:<prog@tarvex.example>",
                                             "DATA",
                                             ".",
                                             "QUIT"};
  EXPECT_EQ(server->commands, expected);
  EXPECT_EQ(server->commands_in_clear(), 2u);
  EXPECT_EQ(events, (std::vector<std::string>{"connect", "success", "disconnect"}));
  for (const auto& status : statuses) {
    EXPECT_EQ(status.find("AGFubmEAc2VjcmV0"), std::string::npos) << status;
    EXPECT_EQ(status.find("secret"), std::string::npos) << status;
  }

  // A server that lists only LOGIN gets it, user and password each asked for.
  server->replies["EHLO"] = {"250-mail.example.net\r\n250-STARTTLS\r\n250 AUTH=LOGIN\r\n"};
  server->replies["AUTH"] = {"334 VXNlcm5hbWU6\r\n"};
  server->replies["YW5UYQ=="] = {"334 UGFzc3dvcmQ6\r\n"};
  server->replies["C2VJCMV0"] = {"235 OK\r\n"};
  server->commands.clear();
  client->connect();
  EXPECT_EQ(server->commands, (std::vector<std::string>{"EHLO tarvex", "STARTTLS", "EHLO tarvex",
                                                        "AUTH LOGIN", "YW5uYQ==", "c2VjcmV0"}))
      << "user and password in base64";
}

TEST_F(SecureSmtpClientTest, EveryFailureNamesItsCauseAndNothingFollowsInClear) {
  using Commands = std::vector<std::string>;
  const Commands to_tls = {"EHLO tarvex", "STARTTLS"};
  const struct {
    const char* what;
    std::function<void()> arrange;
    std::string error;
    Commands commands;  // no QUIT unless TLS stood
  } cases[] = {
      {"no STARTTLS",
       [&] { server->replies["EHLO"] = {"250-mail\r\n250 AUTH PLAIN\r\n"}; },
       smtp_text::kNoStartTls,
       {"EHLO tarvex"}},
      {"EHLO unknown, HELO then",
       [&] { server->replies["EHLO"] = {"502 Command not implemented\r\n"}; },
       smtp_text::kNoStartTls,
       {"EHLO tarvex", "HELO tarvex"}},
      {"certificate", [&] { server->tls_refusal = "the server's certificate was not accepted"; },
       std::string(smtp_text::kTlsFailed) + "the server's certificate was not accepted", to_tls},
      {"bytes ahead of TLS", [&] { server->after_starttls = "250 injected\r\n"; },
       std::string(smtp_text::kTlsFailed) + "the server sent data ahead of TLS", to_tls},
      {"login refused",
       [&] { server->replies["AUTH"] = {"535 5.7.8 Authentication credentials invalid\r\n"}; },
       std::string(smtp_text::kLoginRefused) + "535 5.7.8 Authentication credentials invalid",
       {"EHLO tarvex", "STARTTLS", "EHLO tarvex", "AUTH PLAIN AGFubmEAc2VjcmV0", "QUIT"}},
      {"no login offered",
       [&] { server->replies["EHLO"] = {"250-mail\r\n250-STARTTLS\r\n250 AUTH CRAM-MD5\r\n"}; },
       smtp_text::kNoLoginMethod,
       {"EHLO tarvex", "STARTTLS", "EHLO tarvex", "QUIT"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    server->replies = ScriptedSmtpServer().replies;
    server->tls_refusal.clear();
    server->after_starttls.clear();
    server->commands.clear();
    c.arrange();
    EXPECT_EQ(error_of([&] { client->connect(); }), c.error);
    EXPECT_FALSE(client->connected());
    EXPECT_FALSE(server->open());
    EXPECT_EQ(server->commands, c.commands);
    EXPECT_LE(server->commands_in_clear(), 2u);
  }
}

TEST(MailHeaders, DateIsInEnglishWithTheOffsetAndEveryMessageIdIsNew) {
#ifndef _WIN32
  const char* old_zone = std::getenv("TZ");
  const std::string kept = old_zone ? old_zone : "";
  ::setenv("TZ", "XYZ-2", 1);  // two hours east of UTC
  ::tzset();
  EXPECT_EQ(mail_date(1796778827), "Wed, 9 Dec 2026 03:13:47 +0200");
  ::setenv("TZ", "XYZ+3:30", 1);
  ::tzset();
  EXPECT_EQ(mail_date(1796778827), "Tue, 8 Dec 2026 21:43:47 -0330");
  if (old_zone)
    ::setenv("TZ", kept.c_str(), 1);
  else
    ::unsetenv("TZ");
  ::tzset();
#endif
  const std::string id = message_id("anna@tarvex.example", 1796778827);
  EXPECT_EQ(id.rfind("<1796778827.", 0), 0u) << id;
  EXPECT_TRUE(id.ends_with("@tarvex.example>")) << id;
  EXPECT_NE(message_id("anna@tarvex.example", 1796778827), id);
  EXPECT_TRUE(message_id("", 1).ends_with("@localhost>"));
  EXPECT_TRUE(message_id("a@b.example>\r\nBcc: x", 1).ends_with("@b.exampleBccx>"));
}

}  // namespace
}  // namespace tarvex::outbound
