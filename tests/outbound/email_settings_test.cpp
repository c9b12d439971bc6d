#include "outbound/email_settings.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "app/session.h"
#include "outbound/email_channel.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/blocked_rewrite.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

EmailSettings sample_settings() {
  return {"Tarvex Security", "+27115550000", "anna@tarvex.example", "mail.example.net",
          "tarvex",          "ACC77",        "prog@tarvex.example"};
}

class EmailSettingsTest : public ::testing::Test {
 protected:
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  EmailChannel channel{session, std::make_unique<testing::ScriptedSmtpServer>()};
};

TEST_F(EmailSettingsTest, ScrambledFileRoundTripsEveryByte) {
  EXPECT_EQ(encrypt1("Anna"), "Fssf");
  EXPECT_EQ(decrypt1(encrypt1("")), "");
  // Bytes near the top wrap around and come back unchanged.
  const std::string high = "\xFA\xFB\xFE\xFFz~";
  EXPECT_EQ(encrypt1(high), std::string("\xFF\x00\x03\x04\x7F\x83", 6));
  EXPECT_EQ(decrypt1(encrypt1(high)), high);

  EmailSettings values = sample_settings();
  values.owner_name = "Caf\xE9 " + high;
  ASSERT_TRUE(channel.save_email_settings(values));
  EXPECT_EQ(channel.settings(), values);
  std::string expected;
  for (const auto& line :
       {values.owner_name, values.telephone_number, values.sender_address, values.smtp_server,
        values.login_name, values.account_number, values.send_to_address})
    expected += encrypt1(line) + "\r\n";
  EXPECT_EQ(dir.read("eset.ini"), expected);

  EmailSettings loaded;
  EXPECT_EQ(read_email_settings(dir.file("eset.ini"), loaded), std::nullopt);
  EXPECT_EQ(loaded, values);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(EmailSettingsTest, ShortFileLoadsTheMissingSettingsEmpty) {
  ASSERT_TRUE(channel.save_email_settings(sample_settings()));
  dir.write("eset.ini", encrypt1("Owner") + "\r\n" + encrypt1("012") + "\r\n");
  EXPECT_TRUE(channel.load_email_settings());
  EXPECT_EQ(channel.settings().owner_name, "Owner");
  EXPECT_EQ(channel.settings().telephone_number, "012");
  EXPECT_EQ(channel.settings().send_to_address, "");
  EXPECT_FALSE(channel.settings().complete());
}

TEST_F(EmailSettingsTest, LoadFailuresAreReportedAndKeepTheSettings) {
  ASSERT_TRUE(channel.save_email_settings(sample_settings()));
  std::filesystem::remove(dir.file("eset.ini"));
  EXPECT_FALSE(channel.load_email_settings());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("Cannot open file \"" + dir.file("eset.ini") + "\"", 0), 0u);
  EXPECT_EQ(channel.settings(), sample_settings());

#ifndef _WIN32
  // A file that opens but cannot be read (a folder; Windows opens none as a
  // file).
  std::filesystem::create_directory(dir.file("eset.ini"));
  EXPECT_FALSE(channel.load_email_settings());
  EXPECT_EQ(ui.messages.back(), kUnableLoadEmailSetting);
  EXPECT_EQ(channel.settings(), sample_settings());
#endif
}

TEST_F(EmailSettingsTest, FailedSaveIsReportedAndChangesNothing) {
  ASSERT_TRUE(channel.save_email_settings(sample_settings()));
  const std::string before = dir.read("eset.ini");
  EmailSettings changed = sample_settings();
  changed.account_number = "NEW";
  {
    const testing::BlockedRewrite blocked(dir.file("eset.ini"));
    EXPECT_FALSE(channel.save_email_settings(changed));
  }
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("eset.ini"), std::string::npos);
  EXPECT_EQ(channel.settings(), sample_settings());
  EXPECT_EQ(dir.read("eset.ini"), before);
}

TEST_F(EmailSettingsTest, SettingThatWouldSplitItsLineIsRefusedOnApply) {
  ASSERT_TRUE(channel.save_email_settings(sample_settings()));
  const std::string before = platform::read_file(dir.file("eset.ini"));
  EmailSettings values = sample_settings();
  values.smtp_server = "mail\x05.example.net";  // scrambles into a line feed
  EXPECT_FALSE(channel.save_email_settings(values));
  EXPECT_EQ(ui.messages, (std::vector<std::string>{
                             "The SMTP Server can not be saved: it holds a control character "
                             "that eset.ini can not keep. Remove it and apply again."}));
  EXPECT_EQ(platform::read_file(dir.file("eset.ini")), before);
  EXPECT_EQ(channel.settings(), sample_settings());

  // A byte that scrambles into a carriage return keeps its line.
  values.smtp_server = "mail.example.net";
  values.send_to_address = "\x08prog\x08@x\x08";
  ASSERT_TRUE(channel.save_email_settings(values));
  EmailSettings from_file;
  EXPECT_EQ(read_email_settings(dir.file("eset.ini"), from_file), std::nullopt);
  EXPECT_EQ(from_file, values);
}

TEST(SmtpServerSetting, OptionalPortAfterTheHost) {
  EXPECT_EQ(split_smtp_server("localhost:2525").host, "localhost");
  EXPECT_EQ(split_smtp_server("localhost:2525").port, 2525);
  EXPECT_EQ(split_smtp_server("mail.example.net").port, 25);
  // Anything that is not a port stays in the host name, so its look-up fails.
  EXPECT_EQ(split_smtp_server("host:65536").host, "host:65536");
}

}  // namespace
}  // namespace tarvex::outbound
