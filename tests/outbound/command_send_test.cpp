#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <set>

#include "outbound/outbox_message_file.h"
#include "outbound/sms_programming.h"
#include "platform/text_file.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

class CommandSend : public ::testing::Test {
 protected:
  CommandSendResult send() {
    return send_command(CommandSendInputs{
        .unit_number = unit,
        .password = "1234",
        .mode = mode,
        .framing = {"P", "S", "AP", "AS"},
        .programming_folder = folder,
        .command = command,
        .ui = ui,
        .draw_tag =
            [this] {
              const int tag = draws.front();
              draws.pop_front();
              return tag;
            },
    });
  }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    if (!platform::folder_exists(folder)) return names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  std::string unit = "+27821234567";
  int mode = 1;
  std::string command = "A1";
  std::string folder = dir.file("Programming/Out");
  std::deque<int> draws{42};
};

TEST_F(CommandSend, FramesWithPrefixAndPasswordButNoSuffix) {
  const CommandSendResult result = send();
  EXPECT_EQ(files(), std::vector<std::string>{"+27821234567_42.txt"});
  EXPECT_EQ(platform::read_file(result.path), "NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n");
  EXPECT_EQ(result.status, "P1234A1 send to: +27821234567");
  EXPECT_EQ(result.log_event, "Function: P1234A1 send to: +27821234567");
  EXPECT_TRUE(ui.messages.empty());

  mode = 2;
  draws = {7};
  const CommandSendResult alternative = send();
  EXPECT_EQ(platform::read_file(alternative.path),
            "NONE\r\nReport:N\r\n+27821234567,7,AP1234A1\r\n");
  EXPECT_EQ(alternative.log_event, "Function: AP1234A1 send to: +27821234567");
}

TEST_F(CommandSend, ModeOtherThanOneOrTwoSendsNothing) {
  for (int m : {0, 3, -1}) {
    mode = m;
    const CommandSendResult result = send();
    EXPECT_EQ(result.status, "No message was send");
    EXPECT_TRUE(result.log_event.empty());
  }
  EXPECT_FALSE(platform::folder_exists(folder));
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(draws.size(), 1u);  // nothing drawn either
}

TEST_F(CommandSend, ChecksNeitherUnitNumberNorPasswordNorCommand) {
  unit = "+27";
  command.clear();
  const CommandSendResult result = send();
  EXPECT_EQ(platform::read_file(result.path), "NONE\r\nReport:N\r\n+27,7,P1234\r\n");
  EXPECT_EQ(result.status, "P1234 send to: +27");
}

TEST_F(CommandSend, PendingCommandIsNotOverwrittenByAnEqualDraw) {
  ASSERT_EQ(send().path, platform::join_path(folder, "+27821234567_42.txt"));
  command = "B2";
  draws = {42, 42, 9};
  EXPECT_EQ(send().path, platform::join_path(folder, "+27821234567_9.txt"));
  EXPECT_EQ(platform::read_file(platform::join_path(folder, "+27821234567_42.txt")),
            "NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n");
}

TEST_F(CommandSend, RefusalsAndFailuresAreShownAndNotLogged) {
  unit = "../+27821234567";
  CommandSendResult result = send();
  EXPECT_TRUE(result.status.empty());
  EXPECT_TRUE(result.log_event.empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].rfind("\"../+27821234567\" can not be used as a number", 0), 0u);

  unit = "+27821234567";
  dir.write("blocked", "");
  folder = dir.file("blocked/Out");
  result = send();
  EXPECT_TRUE(result.log_event.empty());
  EXPECT_EQ(ui.messages.back(), "Can not find the Programming folder");

  folder.clear();
  result = send();
  EXPECT_TRUE(result.status.empty());
  EXPECT_EQ(ui.messages.back(), "Unable to create directory");
  EXPECT_EQ(std::filesystem::directory_iterator(dir.path())->path().filename(), "blocked");
}

TEST(CommandTags, ClockSeededSourceStaysWithinZeroTo499) {
  TagSource source = clock_seeded_tag_source();
  std::set<int> seen;
  for (int i = 0; i < 5000; ++i) {
    const int tag = source();
    ASSERT_GE(tag, 0);
    ASSERT_LE(tag, 499);
    seen.insert(tag);
  }
  EXPECT_GT(seen.size(), 400u);  // fresh numbers, not one repeated
}

}  // namespace
}  // namespace tarvex::outbound
