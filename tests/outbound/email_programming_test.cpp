#include <gtest/gtest.h>

#include <regex>

#include <algorithm>

#include "app/session.h"
#include "outbound/email_channel.h"
#include "platform/string_grid.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using testing::ScriptedSmtpServer;

const char* const kUnit = "+27821234567";
const char* const kPassword = "1234";

class ProgramViaEmailTest : public ::testing::Test {
 protected:
  ProgramViaEmailTest() {
    auto transport = std::make_unique<ScriptedSmtpServer>();
    server = transport.get();
    channel = std::make_unique<EmailChannel>(session, std::move(transport));
    session.current_operator = "Anna";
    // Framing strings that must never reach an e-mail.
    session.settings.standard_prefix = "STDPFX";
    session.settings.standard_suffix = "STDSFX";
    session.programming_mode = 1;
    EXPECT_TRUE(channel->save_email_settings({"Tarvex Security", "+27115550000",
                                              "anna@tarvex.example", "mail.example.net", "tarvex",
                                              "ACC77", "prog@tarvex.example"}));
    for (int c = 0; c < 6; ++c) grid.set_cell(c, 0, "heading");
    hooks.lock_program_menu = [this] { events.push_back("lock"); };
    hooks.write_log = [this](const std::string& e) { events.push_back("log " + e); };
  }

  // Rows: description, Prog Code, Prog Len, Flags, Text Message, selection.
  void add_row(std::vector<std::string> cells) {
    const int row = grid.row_count();
    grid.set_row_count(row + 1);
    cells.insert(cells.begin(), "row " + std::to_string(row));
    grid.set_row_cells(row, cells);
  }
  std::string outcome(int row) const { return grid.cell(5, row); }

  EmailRunResult run(const std::string& unit = kUnit, const std::string& password = kPassword) {
    return channel->program_via_email(grid, unit, password, hooks);
  }

  static std::string body(const std::vector<std::string>& payload) {
    std::string b =
        "\r\n\r\nOwner: Tarvex Security\r\nTel: +27115550000\r\nTo: +27821234567\r\n>>\r\n";
    for (const auto& line : payload) b += line + "\r\n";
    return b + "<<\r\n";
  }
  // The data without its "Date:" and "Message-ID:" lines, which must be
  // there, in their formats.
  static std::string unstamped(std::string data) {
    static const std::regex date(
        "Date: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), [0-9]{1,2} "
        "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) 20[0-9]{2} "
        "[0-9]{2}:[0-9]{2}:[0-9]{2} [+-][0-9]{4}\r\n");
    static const std::regex id("Message-ID: <[0-9]+\\.[0-9a-f]{16}@tarvex\\.example>\r\n");
    for (const auto* pattern : {&date, &id}) {
      std::smatch found;
      if (!std::regex_search(data, found, *pattern)) return "missing: " + data;
      data.erase(static_cast<std::size_t>(found.position(0)),
                 static_cast<std::size_t>(found.length(0)));
    }
    return data;
  }
  static std::string header() {
    return "From: Anna<anna@tarvex.example>\r\nTo: prog@tarvex.example\r\n"
           "Subject: ACC77 -- +27821234567\r\nMime-Version: 1.0\r\n"
           "Content-Type: text/plain; charset=us-ascii\r\n";
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  ScriptedSmtpServer* server = nullptr;
  std::unique_ptr<EmailChannel> channel;
  platform::StringGrid grid{6, 1};
  EmailRunHooks hooks;
  std::vector<std::string> events;
};

// What a view of the grid was told, and how many messages had been shown then.
struct ViewCatchUps : platform::GridObserver {
  ViewCatchUps(const platform::StringGrid& g, const testing::ScriptedUi& u) : grid(g), ui(u) {}
  void grid_reset() override { seen.push_back({ui.messages.size(), grid.cell(5, 1)}); }
  void cell_changed(int, int) override { grid_reset(); }
  void column_width_changed(int) override {}
  void current_changed() override {}
  void grid_destroyed() override {}
  const platform::StringGrid& grid;
  const testing::ScriptedUi& ui;
  std::vector<std::pair<std::size_t, std::string>> seen;
};

TEST_F(ProgramViaEmailTest, AcceptedRowsGoOutInOneEmailAndRefusedRowsAreReported) {
  add_row({"12", "4", "1", "ABC", "Selected"});  // accepted: 4 characters in 4
  add_row({"123456", "x", "", "", "Selected"});  // code too long; Prog Len never read
  add_row({"7", "1", "", "0", "Selected"});      // accepted
  add_row({"9", "3", "12", "34", "Selected"});   // 4 characters in 3
  add_row({"8", "nope", "", "", "Unselected"});  // not selected: not looked at
  add_row({"5", "9", "", "old", "Message is Programmed"});
  add_row({"12345", "2", ".", "5", "Selected"});  // 5 characters are allowed
  ViewCatchUps view(grid, ui);
  grid.set_observer(&view);

  const EmailRunResult result = run();
  grid.set_observer(nullptr);
  // The view showed the first row's outcome before the first refusal came up.
  EXPECT_NE(std::find(view.seen.begin(), view.seen.end(),
                      std::pair<std::size_t, std::string>{0, "Message is Programmed"}),
            view.seen.end());
  EXPECT_EQ(result.end, EmailRunEnd::Finished);
  EXPECT_EQ(result.count, 3);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{
                "\"123456\" is longer than the aloud Program Symbol Length!\r\n"
                "Message will not be send!",
                "\"1234\" is longer than the aloud Message Length!\r\nMessage will not be send!",
                "3 Messages have been programmed!"}));
  EXPECT_EQ(events, (std::vector<std::string>{"lock", "log Programing: +27821234567 via email"}));
  const std::vector<std::string> outcomes = {
      "Message is Programmed", "Message Error", "Message is Programmed",
      "Message Error",         "Unselected",    "Message is Programmed",
      "Message is Programmed"};
  for (int row = 1; row <= 7; ++row) EXPECT_EQ(outcome(row), outcomes[row - 1]) << row;

  EXPECT_EQ(server->commands,
            (std::vector<std::string>{"HELO tarvex", "RSET", "MAIL FROM:<anna@tarvex.example>",
                                      "RCPT TO:<prog@tarvex.example>", "DATA", ".", "QUIT"}));
  EXPECT_EQ(server->connected_port, 25);
  EXPECT_EQ(unstamped(server->data),
            header() + body({"#1234pgm12\"1ABC\"", "#1234pgm7\"0\"", "#1234pgm12345\".5\""}));
  EXPECT_EQ(server->data.find("STD"), std::string::npos);
  EXPECT_FALSE(channel->NMSMTP1().connected());
}

TEST_F(ProgramViaEmailTest, NoSelectedRowsStillSendsAnEmptyProgrammingEmail) {
  add_row({"12", "4", "1", "ABC", "Unselected"});
  const EmailRunResult result = run();
  EXPECT_EQ(result.end, EmailRunEnd::Finished);
  EXPECT_EQ(unstamped(server->data), header() + body({}));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"0 Messages have been programmed!"}));
  EXPECT_EQ(events.size(), 2u);
}

TEST_F(ProgramViaEmailTest, RefusesIncompleteAccountAndShortUnitOrPassword) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  EmailSettings partial = channel->settings();
  partial.login_name.clear();
  ASSERT_TRUE(channel->save_email_settings(partial));
  EXPECT_EQ(run().end, EmailRunEnd::Refused);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"Account informtion is incomplete!"}));

  partial.login_name = "tarvex";
  ASSERT_TRUE(channel->save_email_settings(partial));
  ui.messages.clear();
  EXPECT_EQ(run("+2782").end, EmailRunEnd::Refused);
  EXPECT_EQ(run(kUnit, "123").end, EmailRunEnd::Refused);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Not a valid Unit Number!", "Not a valid Password!"}));
  EXPECT_EQ(server->connects, 0);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(outcome(1), "Selected");

  ui.messages.clear();
  EXPECT_EQ(run("+27821").end, EmailRunEnd::Finished);  // six characters will do
}

TEST_F(ProgramViaEmailTest, UnreachableServerIsReportedAndTheRunEndsWithCountZero) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  server->connect = ScriptedSmtpServer::Connect::Refuse;
  const EmailRunResult result = run();
  EXPECT_EQ(result.end, EmailRunEnd::Finished);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Programmer can not connect to the email server!",
                                      "Unable to connect to email server...check connection!",
                                      "0 Messages have been programmed!"}));
  EXPECT_EQ(events, (std::vector<std::string>{"lock", "log Programing: +27821234567 via email"}));
  EXPECT_EQ(outcome(1), "Selected");
}

TEST_F(ProgramViaEmailTest, SilentServerFailsTheConnectAfterTwentySeconds) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  server->greeting = {"", false, true};
  run();
  EXPECT_GE(scheduler.now_ms(), 20000);
  EXPECT_LE(scheduler.now_ms(), 20010);
  // The TCP connection stood, so only the connect step's own message shows.
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Unable to connect to email server...check connection!",
                                      "0 Messages have been programmed!"}));
  EXPECT_FALSE(channel->NMSMTP1().connected());
}

TEST_F(ProgramViaEmailTest, RefusedMessageStopsTheRunAndTheRowsStaySelected) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  add_row({"123456", "4", "", "", "Selected"});
  server->replies["."] = {"554 5.7.1 Rejected\r\n"};
  const EmailRunResult result = run();
  EXPECT_EQ(result.end, EmailRunEnd::Stopped);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{
                             "\"123456\" is longer than the aloud Program Symbol Length!\r\n"
                             "Message will not be send!",
                             "Email sending failed!",
                             "Error sending email...Check connection!\n554 5.7.1 Rejected"}));
  EXPECT_TRUE(events.empty());
  // Nothing reached the mailbox: the accepted row is to be sent again.
  EXPECT_EQ(outcome(1), "Selected");
  EXPECT_EQ(outcome(2), "Message Error");
  EXPECT_FALSE(channel->NMSMTP1().connected());
  EXPECT_FALSE(server->open());
}

TEST_F(ProgramViaEmailTest, ProgLenThatIsNoNumberStopsTheRunAndClosesTheConnection) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  add_row({"13", "four", "1", "ABC", "Selected"});
  add_row({"14", "4", "1", "ABC", "Selected"});
  EXPECT_EQ(run().end, EmailRunEnd::Stopped);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"'four' is not a valid integer value"}));
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(outcome(1), "Selected");
  EXPECT_EQ(outcome(3), "Selected");
  EXPECT_EQ(server->commands, (std::vector<std::string>{"HELO tarvex", "QUIT"}));
  EXPECT_FALSE(channel->NMSMTP1().connected());

  // The next run is not locked out.
  grid.set_cell(2, 2, "4");
  ui.messages.clear();
  EXPECT_EQ(run().end, EmailRunEnd::Finished);
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"3 Messages have been programmed!"}));
}

TEST_F(ProgramViaEmailTest, SecondSenderDuringASendIsTurnedAwayWithoutHarmingTheFirst) {
  add_row({"12", "4", "1", "ABC", "Selected"});
  server->delay_polls = 3;
  bool second = true;
  scheduler.set_pump_hook([&] {
    if (second && !server->commands.empty() && server->commands.back() == "DATA") {
      second = false;
      // Another run is ignored outright; another sender is turned away.
      EXPECT_EQ(run().end, EmailRunEnd::Refused);
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_FALSE(channel->check_connect());
    }
  });
  EXPECT_EQ(run().end, EmailRunEnd::Finished);
  EXPECT_FALSE(second);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Unable to connect to email server...check connection!",
                                      "1 Messages have been programmed!"}));
  EXPECT_EQ(unstamped(server->data), header() + body({"#1234pgm12\"1ABC\""}));

  // Another sender while the first is still looking up the server's name.
  ui.messages.clear();
  server->delay_polls = 0;
  server->lookup_never_ends = true;
  scheduler.set_pump_hook([&] {
    if (!server->lookup_never_ends) return;
    server->lookup_never_ends = false;
    EXPECT_FALSE(channel->check_connect());
  });
  grid.set_cell(5, 1, "Selected");
  EXPECT_EQ(run().end, EmailRunEnd::Finished);
  EXPECT_EQ(server->connects, 2);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{"Unable to connect to email server...check connection!",
                                      "1 Messages have been programmed!"}));
}

TEST_F(ProgramViaEmailTest, ServerSettingMayNameAPortAndMessagesSurviveAFailedGoodbye) {
  EmailSettings s = channel->settings();
  s.smtp_server = "mail.example.net:2525";
  ASSERT_TRUE(channel->save_email_settings(s));
  server->replies["QUIT"] = {"", true};  // hangs up instead of saying goodbye
  add_row({"12", "4", "1", "ABC", "Selected"});
  EXPECT_EQ(run().end, EmailRunEnd::Finished);
  EXPECT_EQ(server->connected_port, 2525);
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"1 Messages have been programmed!"}));

  // A refused goodbye after the server took the message: the rows were
  // delivered, so they stay programmed and are not sent a second time.
  server->replies["QUIT"] = {"500 Not now\r\n"};
  grid.set_cell(5, 1, "Selected");
  ui.messages.clear();
  EXPECT_EQ(run().end, EmailRunEnd::Finished);
  EXPECT_EQ(outcome(1), "Message is Programmed");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{"1 Messages have been programmed!"}));
  EXPECT_FALSE(channel->NMSMTP1().connected());
  EXPECT_FALSE(server->open());
}

}  // namespace
}  // namespace tarvex::outbound
