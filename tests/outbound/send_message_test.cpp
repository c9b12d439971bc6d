#include <gtest/gtest.h>

#include "outbound/email_channel.h"
#include "outbound/send_message.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using Numbers = std::vector<std::string>;

TEST(RecentNumbers, NewestFirstTwentyAtMostAndNothingAddedTwice) {
  RecentNumbers recent;
  EXPECT_EQ(recent.PopulateNumbers(""), -1);
  EXPECT_TRUE(recent.list().empty());
  for (int i = 1; i <= 3; ++i)
    EXPECT_EQ(recent.PopulateNumbers(std::string("n").append(std::to_string(i))), 0);
  EXPECT_EQ(recent.list(), (Numbers{"n3", "n2", "n1"}));
  // A number already listed is selected where it stands; the order stays.
  EXPECT_EQ(recent.PopulateNumbers("n1"), 2);
  EXPECT_EQ(recent.list(), (Numbers{"n3", "n2", "n1"}));
  EXPECT_EQ(recent.PopulateNumbers(""), -1);
  EXPECT_EQ(recent.PopulateNumbers("N1"), 0);  // case counts

  for (int i = 5; i <= 21; ++i) recent.PopulateNumbers(std::string("n").append(std::to_string(i)));
  // 21 distinct numbers in all: the oldest, n1, is gone.
  ASSERT_EQ(recent.list().size(), 20u);
  EXPECT_EQ(recent.list().front(), "n21");
  EXPECT_EQ(recent.list()[17], "N1");
  EXPECT_EQ(recent.list().back(), "n2");
  EXPECT_EQ(recent.PopulateNumbers("n1"), 0);
  EXPECT_EQ(recent.list().back(), "n3");
}

TEST(SendMessagePresets, TakenAndClearedByTheActivationThatUsesThem) {
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, "/tmp");
  SendMessageOpening plain = take_presets(session, "+27821234567");
  EXPECT_EQ(plain.number, "+27821234567");
  EXPECT_FALSE(plain.text);

  session.preset_number = "+27830000000";
  session.preset_text = "kept";
  SendMessageOpening to_number = take_presets(session, "+27821234567");
  EXPECT_EQ(to_number.number, "+27830000000");
  EXPECT_FALSE(to_number.text);
  EXPECT_EQ(session.preset_number, "");
  EXPECT_EQ(session.preset_text, "kept");

  SendMessageOpening answer = take_presets(session, "+27821234567");
  EXPECT_FALSE(answer.number);
  EXPECT_EQ(answer.text, "kept");
  EXPECT_EQ(session.preset_text, "");
}

class MessageSenderTest : public ::testing::Test {
 protected:
  MessageSenderTest() {
    auto transport = std::make_unique<testing::ScriptedSmtpServer>();
    server = transport.get();
    email = std::make_unique<EmailChannel>(session, std::move(transport));
    sender = std::make_unique<MessageSender>(session, *email,
                                             [this](const std::string& e) { log.push_back(e); });
    session.settings.programming_folder = "Out/Sms";
  }
  std::string out(const std::string& name) const { return dir.read("Out/Sms/" + name); }
  bool exists(const std::string& name) const {
    return platform::file_exists(dir.file("Out/Sms/" + name));
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  testing::ScriptedSmtpServer* server = nullptr;
  std::unique_ptr<EmailChannel> email;
  std::unique_ptr<MessageSender> sender;
  Numbers log;
};

TEST_F(MessageSenderTest, SmsFilesAreTaggedByTheRunningCounterWithoutLineEnd) {
  SendOutcome first = sender->send_sms("+27821234567", "Hello, unit");
  EXPECT_TRUE(first.sent && first.close);
  EXPECT_EQ(first.select, 0);
  EXPECT_EQ(out("+27821234567_1.txt"), "+27821234567,7,Hello, unit");
  // Whatever the number, the next file takes the next tag; an empty text goes too.
  EXPECT_TRUE(sender->send_sms("0821112222", "").sent);
  EXPECT_EQ(out("0821112222_2.txt"), "0821112222,7,");
  EXPECT_EQ(sender->send_sms("+27821234567", "again").select, 1);
  EXPECT_EQ(sender->recent().list(), (Numbers{"0821112222", "+27821234567"}));
  EXPECT_EQ(ui.messages,
            (Numbers{"One message was send to +27821234567!", "One message was send to 0821112222!",
                     "One message was send to +27821234567!"}));
  EXPECT_EQ(log, (Numbers{"SMS send to: +27821234567", "SMS send to: 0821112222",
                          "SMS send to: +27821234567"}));
  EXPECT_EQ(sender->message_counter(), 4);
}

TEST_F(MessageSenderTest, AFileStillWaitingForTheModemEngineIsNotOverwritten) {
  dir.write("Out/Sms/+27821234567_1.txt", "+27821234567,7,from the last run");
  sender->send_sms("+27821234567", "new");
  EXPECT_EQ(out("+27821234567_1.txt"), "+27821234567,7,from the last run");
  EXPECT_EQ(out("+27821234567_2.txt"), "+27821234567,7,new");
  EXPECT_EQ(sender->message_counter(), 3);
}

TEST_F(MessageSenderTest, RefusalsAndFailuresKeepTheWindowOpenTheCounterAndTheLog) {
  for (const char* number : {"", "../+2782", "a/b", "x\\y"}) {
    SendOutcome outcome = sender->send_sms(number, "text");
    EXPECT_FALSE(outcome.sent || outcome.close) << number;
  }
  EXPECT_EQ(ui.messages.front(), kNoNumberToSendTo);
  EXPECT_NE(ui.messages.back().find("can not be used as a number"), std::string::npos);
  EXPECT_FALSE(platform::file_exists(dir.file("Out/+2782_1.txt")));

  // The programming folder's place is taken by a file: the platform's own
  // error, naming the path, says why.
  dir.write("Out/Sms", "not a folder");
  ui.messages.clear();
  EXPECT_FALSE(sender->send_sms("+27821234567", "text").sent);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].starts_with("Cannot create folder \"" + dir.file("Out/Sms") + "\". "))
      << ui.messages[0];
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(sender->message_counter(), 1);
  EXPECT_TRUE(sender->recent().list().empty());
}

TEST_F(MessageSenderTest, EmailStopsOnIncompleteSettingsClosesOnAFailedConnection) {
  SendOutcome incomplete = sender->send_by_email("+27821234567", "Hi");
  EXPECT_FALSE(incomplete.sent || incomplete.close);
  EXPECT_EQ(ui.messages, (Numbers{"Account informtion is incomplete!"}));
  EXPECT_EQ(server->connects, 0);

  ASSERT_TRUE(email->save_email_settings(
      {"Owner", "012", "me@x.example", "mail.example.net", "login", "ACC77", "prog@x.example"}));
  server->connect = testing::ScriptedSmtpServer::Connect::Refuse;
  ui.messages.clear();
  SendOutcome refused = sender->send_by_email("+27821234567", "Hi");
  EXPECT_FALSE(refused.sent);
  EXPECT_TRUE(refused.close);
  EXPECT_EQ(ui.messages.back(), "Unable to connect to email server...check connection!");

  // The server refuses the message: the window stays open, nothing logged.
  server->connect = testing::ScriptedSmtpServer::Connect::Accept;
  server->replies["."] = {"554 refused\r\n"};
  ui.messages.clear();
  SendOutcome failed = sender->send_by_email("+27821234567", "Hi");
  EXPECT_FALSE(failed.sent || failed.close);
  EXPECT_EQ(ui.messages.back(), "Error sending email...Check connection!\n554 refused");
  EXPECT_TRUE(log.empty());
  EXPECT_TRUE(sender->recent().list().empty());

  server->replies["."] = {"250 OK queued\r\n"};
  ui.messages.clear();
  SendOutcome ok = sender->send_by_email("+27821234567", "Hi");
  EXPECT_TRUE(ok.sent && ok.close);
  EXPECT_EQ(ui.messages, (Numbers{"One message was send to +27821234567!"}));
  EXPECT_EQ(log, (Numbers{"SMS send to: +27821234567 via email"}));
  EXPECT_EQ(sender->recent().list(), (Numbers{"+27821234567"}));
  // E-mail uses no outbox file and no counter.
  EXPECT_EQ(sender->message_counter(), 1);
}

}  // namespace
}  // namespace tarvex::outbound
