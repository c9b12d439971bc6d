#include "app/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/virtual_scheduler.h"
#include "support/blocked_rewrite.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
namespace {

using testing::ScriptedUi;
using testing::TempFolder;

const char* kSevenLines = "out\r\ndev\r\nin\r\nengine.exe\r\nunit.msg\r\nfun\r\n3\r\n";

void write_other_settings(const TempFolder& dir) {
  dir.write("Hardware.ini", "K71 Morvane\r\n\r\nContactid\r\n");
  dir.write("History.ini", "c:\\a.dev\r\n\r\nc:\\c.dev\r\n");
  dir.write("Config.ini", " P\r\nS \r\nAP\r\nAS\r\n");
}

TEST(SettingsFiles, ReadsAllFourFilesExactly) {
  TempFolder dir;
  dir.write("setup.txt", std::string(kSevenLines) + "10\r\n20\r\n");
  write_other_settings(dir);
  Settings s;
  EXPECT_EQ(load_settings_files(dir.path(), s), std::nullopt);
  EXPECT_EQ(s.programming_folder, "out");
  EXPECT_EQ(s.function_folder, "fun");
  EXPECT_EQ(s.com_port, 3);
  EXPECT_EQ(s.column_widths, (std::vector<int>{10, 20}));
  // Every line, empty ones included, is a hardware type.
  EXPECT_EQ(s.hardware_types, (std::vector<std::string>{"K71 Morvane", "", "Contactid"}));
  // History lines keep their places; an empty one stays empty.
  EXPECT_EQ(s.history, (std::array<std::string, 4>{"c:\\a.dev", "", "c:\\c.dev", ""}));
  // Framing strings are used as read, blanks included.
  EXPECT_EQ(s.standard_prefix, " P");
  EXPECT_EQ(s.standard_suffix, "S ");
  EXPECT_EQ(s.alternative_suffix, "AS");
}

TEST(SettingsFiles, BadValuesStopTheReadingWithTheirText) {
  TempFolder dir;
  write_other_settings(dir);
  Settings s;
  dir.write("setup.txt", "out\r\ndev\r\nin\r\ne\r\nu\r\nf\r\nCOM1\r\n");
  EXPECT_EQ(load_settings_files(dir.path(), s), "'COM1' is not a valid integer value");
  EXPECT_EQ(s.function_folder, "f");
  EXPECT_EQ(s.setup_lines_read, 6);
  EXPECT_TRUE(s.hardware_types.empty());  // later files are not read

  Settings t;
  dir.write("setup.txt", std::string(kSevenLines) + "12\r\nwide\r\n");
  EXPECT_EQ(load_settings_files(dir.path(), t), "'wide' is not a valid integer value");
  EXPECT_EQ(t.column_widths, std::vector<int>{12});

  Settings u;
  dir.write("setup.txt", kSevenLines);
  std::remove(dir.file("Hardware.ini").c_str());
  auto error = load_settings_files(dir.path(), u);
  ASSERT_TRUE(error.has_value());
  EXPECT_NE(error->find("Hardware.ini"), std::string::npos);
  EXPECT_TRUE(u.column_widths.empty());
  EXPECT_EQ(u.com_port, 3);
  EXPECT_EQ(u.setup_lines_read, 7);
}

TEST(SettingsFiles, IntegerConversionIsStrict) {
  EXPECT_EQ(to_integer("42"), 42);
  EXPECT_EQ(to_integer("-7"), -7);
  for (const char* bad : {"", " 4", "4 ", "4a", "99999999999", "+"})
    EXPECT_THROW(to_integer(bad), std::invalid_argument) << bad;
}

TEST(SettingsFiles, RewritingOneLineKeepsTheOthersByteForByte) {
  TempFolder dir;
  dir.write("setup.txt", "a \xFB\r\nb\r\nc\r\nd\r\ne\r\nf\r\n7\r\n");
  rewrite_setup_line(dir.path(), 3, "new folder");
  EXPECT_EQ(dir.read("setup.txt"),
            "a \xFB\r\nb\r\nnew folder\r\nd\r\ne\r\nf\r\n7\r\n\r\n\r\n\r\n\r\n\r\n");
  write_other_settings(dir);
  // Empty width lines, as a Setup change on a seven-line file leaves them,
  // start with the design widths.
  Settings empty_widths;
  EXPECT_EQ(load_settings_files(dir.path(), empty_widths), std::nullopt);
  EXPECT_EQ(empty_widths.column_widths, (std::vector<int>{167, 107, 137, 107, 236}));

  save_form_settings(dir.path(), {1, 2, 3, 4, 5});
  EXPECT_EQ(dir.read("setup.txt"),
            "a \xFB\r\nb\r\nnew folder\r\nd\r\ne\r\nf\r\n7\r\n1\r\n2\r\n3\r\n4\r\n5\r\n");
  Settings s;
  EXPECT_EQ(load_settings_files(dir.path(), s), std::nullopt);
  EXPECT_EQ(s.column_widths, (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST(SettingsFiles, ChangeSettingAsksStoresAndReportsAFailedRewrite) {
  TempFolder dir;
  dir.write("setup.txt", kSevenLines);
  ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  Session session(ui, scheduler, dir.path());
  session.settings.device_folder = "dev";

  // Cancelled: nothing changes.
  EXPECT_EQ(change_setting(session, SetupEntry::DevicePath), std::nullopt);
  ASSERT_EQ(ui.folder_dialogs.size(), 1u);
  EXPECT_EQ(ui.folder_dialogs[0].first, "Device Directory");

  ui.dialog_answers.push_back("/x/in");
  auto change = change_setting(session, SetupEntry::IncomingPath);
  ASSERT_TRUE(change);
  EXPECT_EQ(change->caption, "Incomming Messages Directory: /x/in");
  EXPECT_EQ(session.settings.incoming_folder, "/x/in");
  EXPECT_EQ(ui.folder_dialogs[1].first, "Incomming Messages Dir:");

  ui.dialog_answers.push_back("/opt/engine");
  change = change_setting(session, SetupEntry::ModemEngine);
  EXPECT_EQ(ui.file_dialogs.back().filter, "Executible Files|*.exe");
  EXPECT_EQ(ui.file_dialogs.back().folder, dir.path());
  EXPECT_EQ(dir.read("setup.txt"),
            "out\r\ndev\r\n/x/in\r\n/opt/engine\r\nunit.msg\r\nfun\r\n3\r\n\r\n\r\n\r\n\r\n\r\n");

  // A rewrite that fails: the caption changes, the setting does not.
  ui.dialog_answers.push_back("/new/log.msg");
  {
    const tarvex::testing::BlockedRewrite blocked(dir.file("setup.txt"));
    change = change_setting(session, SetupEntry::LogFile);
  }
  ASSERT_TRUE(change);
  EXPECT_FALSE(change->stored);
  EXPECT_EQ(change->caption, "Log File: /new/log.msg");
  EXPECT_EQ(session.settings.unit_log_file, "");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("setup.txt"), std::string::npos);
}

}  // namespace
}  // namespace tarvex::app
