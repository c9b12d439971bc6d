#include <gtest/gtest.h>

#include <deque>

#include "app/event_log.h"
#include "outbound/control_panel.h"
#include "outbound/email_channel.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using Texts = std::vector<std::string>;

class ControlPanelTest : public ::testing::Test {
 protected:
  ControlPanelTest() {
    auto transport = std::make_unique<testing::ScriptedSmtpServer>();
    server = transport.get();
    email = std::make_unique<EmailChannel>(session, std::move(transport));
    session.settings.programming_folder = "Out";
    session.settings.function_folder = "Functions";
    session.settings.standard_prefix = "P";
    session.settings.alternative_prefix = "AP";
    session.settings.standard_suffix = "never";
    session.programming_mode = 2;  // plays no part here
  }
  std::optional<std::string> send(FunctionSend what) {
    return send_function(session, *email, what, draw, logger);
  }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  testing::ScriptedSmtpServer* server = nullptr;
  std::unique_ptr<EmailChannel> email;
  std::deque<int> draws{17, 3};
  TagSource draw = [this] {
    const int tag = draws.front();
    draws.pop_front();
    return tag;
  };
  Texts log;
  std::function<void(const std::string&)> logger = [this](const std::string& e) {
    log.push_back(e);
  };
};

TEST_F(ControlPanelTest, SmsCommandFileWithTheChosenPrefixAndNoSuffix) {
  EXPECT_EQ(send({"+27821", "1234", "ARM"}), "\"P1234ARM\" was send to +27821");
  EXPECT_EQ(dir.read("Out/+27821_17.txt"), "NONE\r\nReport:N\r\n+27821,7,P1234ARM\r\n");
  EXPECT_EQ(send({"+27821", "1234", "ARM", false, true}), "\"AP1234ARM\" was send to +27821");
  EXPECT_EQ(dir.read("Out/+27821_3.txt"), "NONE\r\nReport:N\r\n+27821,7,AP1234ARM\r\n");
  EXPECT_EQ(log, (Texts{"Function: ARM send to: +27821", "Function: ARM send to: +27821"}));
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ControlPanelTest, ChecksInOrderAndFailuresLogNothing) {
  EXPECT_FALSE(send({"+2782", "", ""}));
  EXPECT_FALSE(send({"+27821", "123", ""}));
  EXPECT_FALSE(send({"+27821", "1234", ""}));
  EXPECT_FALSE(send({"+27/..", "1234", "ARM"}));
  dir.write("Out", "a file where the folder should be");
  EXPECT_FALSE(send({"+27821", "1234", "ARM"}));
  ASSERT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(Texts(ui.messages.begin(), ui.messages.begin() + 3),
            (Texts{"Not a valid Unit Number!", "Not a valid Password!",
                   "This cell does not have any text to send"}));
  EXPECT_NE(ui.messages[3].find("can not be used as a number"), std::string::npos);
  EXPECT_EQ(ui.messages[4], "Can not find the Programming folder");
  EXPECT_TRUE(log.empty());
}

TEST_F(ControlPanelTest, EmailCarriesHashPasswordAndCommandAndIgnoresTheAltBox) {
  EXPECT_FALSE(send({"+27821", "1234", "ARM", true}));
  EXPECT_EQ(ui.messages, (Texts{"Account informtion is incomplete!"}));
  ASSERT_TRUE(email->save_email_settings(
      {"Owner", "012", "me@x.example", "mail.example.net", "login", "ACC77", "prog@x.example"}));
  EXPECT_EQ(send({"+27821", "1234", "ARM", true, true}), "\"$1234ARM\" was send to +27821");
  EXPECT_NE(server->data.find("Subject: ACC77 -- +27821\r\n"), std::string::npos);
  EXPECT_NE(server->data.find("To: +27821\r\n>>\r\n#1234ARM\r\n<<\r\n"), std::string::npos);
  EXPECT_EQ(log, (Texts{"Function: ARM send to: +27821 via email"}));
  EXPECT_FALSE(platform::folder_exists(dir.file("Out")));
}

TEST_F(ControlPanelTest, OpenSaveRoundTripGrowsBySpareRowAndSaveNeverTruncates) {
  platform::StringGrid grid(2, 2);
  reset_function_grid(grid);
  dir.write("Functions/gate.fun",
            "+27821234567\r\n1234\r\nGate\r\nArm\xFE"
            "A1\r\nSiren\xFE"
            "S9\r\n");
  ui.dialog_answers = {dir.file("Functions/gate.fun")};
  const auto file = open_function_file(session, logger);
  ASSERT_TRUE(file);
  EXPECT_EQ(ui.file_dialogs[0].folder, dir.file("Functions"));
  EXPECT_EQ(ui.file_dialogs[0].filter, "Function Files|*.fun");
  EXPECT_EQ(log, (Texts{"Function file Opened: " + dir.file("Functions/gate.fun")}));
  show_functions(grid, file->functions);
  ASSERT_EQ(grid.row_count(), 4);  // two functions and a spare row
  EXPECT_EQ(grid.cell(1, 2), "S9");

  ui.dialog_answers = {dir.file("Functions/copy.fun")};
  ASSERT_TRUE(save_function_file(session, {"+27821234567", "1234", "Gate", grid_functions(grid)}));
  EXPECT_EQ(ui.file_dialogs[1].default_ext, "fun");
  EXPECT_EQ(dir.read("Functions/copy.fun"),
            "+27821234567\r\n1234\r\nGate\r\nArm\xFE"
            "A1\r\nSiren\xFE"
            "S9\r\n\xFE\r\n\r\n");
  EXPECT_EQ(device::read_function_file(dir.file("Functions/copy.fun")).functions.size(), 3u);

  // A description holding the separator is refused before anything is asked.
  const auto asked = ui.file_dialogs.size();
  grid.set_cell(0, 1, "Arm \xFE now");
  EXPECT_FALSE(save_function_file(session, {"+27", "1", "", grid_functions(grid)}));
  EXPECT_EQ(ui.file_dialogs.size(), asked);
  EXPECT_EQ(device::read_function_file(dir.file("Functions/copy.fun")).functions[0].description,
            "Arm");
}

TEST(FunctionGrid, RemoveKeepsTheLastRowAndAddAppends) {
  platform::StringGrid grid(2, 2);
  reset_function_grid(grid);
  EXPECT_EQ(grid.cell(0, 0), "Function Description");
  EXPECT_EQ(grid.cell(1, 0), "Function Char");
  grid.set_cell(0, 1, "only");
  remove_function_row(grid);
  EXPECT_EQ(grid.row_count(), 2);
  add_function_row(grid);
  add_function_row(grid);
  grid.set_cell(0, 3, "third");
  grid.set_current(1, 1);
  remove_function_row(grid);
  EXPECT_EQ(grid.row_count(), 3);
  EXPECT_EQ(grid.cell(0, 1), "");
  EXPECT_EQ(grid.cell(0, 2), "third");
}

}  // namespace
}  // namespace tarvex::outbound
