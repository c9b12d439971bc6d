// The bridge against the real gammu-smsd daemon, whose dummy phone driver
// makes a folder act as the phone: outbox files of a programming run reach
// the phone, and a message the phone receives reaches the incoming-message
// folder and the unit log.

#include <gtest/gtest.h>

#include <filesystem>

#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

#ifndef _WIN32

std::string installed_daemon() {
  for (const char* path : {"/usr/bin/gammu-smsd", "/usr/local/bin/gammu-smsd"})
    if (platform::file_exists(path)) return path;
  return "";
}

bool contains(const std::string& path, const std::string& text) {
  return platform::file_exists(path) && platform::read_file(path).find(text) != std::string::npos;
}

std::vector<std::string> all_lines(const std::string& folder) {
  std::vector<std::string> lines;
  for (const auto& name : platform::list_files(folder, "*.txt"))
    for (auto& line : platform::read_lines(platform::join_path(folder, name)))
      lines.push_back(line);
  return lines;
}

TEST(SmsGatewayDaemon, ProgrammingRunReachesThePhoneAndTheUnitsAnswerComesBack) {
  const std::string daemon = installed_daemon();
  if (daemon.empty())
    GTEST_SKIP() << "gammu-smsd is not installed; scripts/install-deps installs it";
  testing::TempFolder dir;
  const std::string gw = dir.file("gw/");
  for (const char* folder :
       {"phone/sms/1", "gw/inbox", "gw/outbox", "gw/sent", "gw/error", "site/Outbox"})
    platform::create_folders(dir.file(folder));
  dir.write("smsdrc", "[gammu]\nmodel = dummy\nconnection = none\ndevice = " + dir.file("phone/") +
                          "\n[smsd]\nservice = files\nlogfile = " + dir.file("smsd.log") +
                          "\ndebuglevel = 1\ncommtimeout = 1\nreceivefrequency = 1\n"
                          "statusfrequency = 0\nchecksecurity = 0\ncheckbattery = 0\n"
                          "checksignal = 0\nchecknetwork = 0\n"
                          "inboxformat = detail\ndeliveryreport = sms\n"
                          "inboxpath = " +
                          gw + "inbox/\noutboxpath = " + gw + "outbox/\nsentsmspath = " + gw +
                          "sent/\nerrorsmspath = " + gw + "error/\n");
  const pid_t gateway = testing::start_program(daemon, {"-c", dir.file("smsdrc")}, dir.path());
  ASSERT_GT(gateway, 0);
  if (!testing::wait_until(
          [&] { return contains(dir.file("smsd.log"), "Starting phone communication"); }, 20)) {
    testing::stop_program(gateway);
    GTEST_SKIP() << "gammu-smsd did not start here: "
                 << (platform::file_exists(dir.file("smsd.log")) ? dir.read("smsd.log") : "");
  }

  dir.write("site/setup.txt", "Outbox\r\nDevices\r\nIncoming\r\nbridge\r\nUnitLog.msg\r\n");
  const pid_t bridge = testing::start_program(std::string(TARVEX_BINARY_DIR) + "/tarvex-sms-bridge",
                                              {dir.file("smsdrc")}, dir.file("site"));
  ASSERT_GT(bridge, 0);
  write_outbox_file(dir.file("site/Outbox"),
                    programming_message("+27821234567", 3, "*1234*12\"1ABC\""));
  write_outbox_file(dir.file("site/Outbox"),
                    command_message("+27821234567", 42, "*", "1234", "A1"));
  // The unit answers: a message arrives on the phone, written whole.
  dir.write("phone/answer",
            "[SMSBackup000]\nSent = 20261209T010700\nState = UnRead\n"
            "Number = \"+27821234567\"\n"
            "Text00 = 004F004B002C0020005A006F006E006500200031\n"
            "Coding = Default\nFolder = 1\nLength = 10\nClass = -1\n"
            "PDU = Deliver\n");
  std::filesystem::rename(dir.file("phone/answer"), dir.file("phone/sms/1/1"));

  const auto done = [&] {
    const auto lines = platform::file_exists(dir.file("site/UnitLog.msg"))
                           ? platform::read_lines(dir.file("site/UnitLog.msg"))
                           : std::vector<std::string>{};
    int sent = 0, received = 0;
    for (const auto& line : lines) {
      sent += line.find(",sent,") != std::string::npos;
      received += line.find(",received,") != std::string::npos;
    }
    return sent == 2 && received == 1;
  };
  const bool passed_on = testing::wait_until(done, 45);
  const int bridge_exit = testing::stop_program(bridge);
  testing::stop_program(gateway);
  ASSERT_TRUE(passed_on) << "unit log: "
                         << (platform::file_exists(dir.file("site/UnitLog.msg"))
                                 ? dir.read("site/UnitLog.msg")
                                 : "none")
                         << "\nbridge log: " << dir.read("site/sms-bridge.log")
                         << "\ngateway log: " << dir.read("smsd.log");
  EXPECT_EQ(bridge_exit, 0);

  // The phone was given each message with its text, to the unit's number.
  EXPECT_TRUE(contains(dir.file("smsd.log"), "to \"+27821234567\" with text \"*1234*12\"1ABC\"\""));
  EXPECT_TRUE(contains(dir.file("smsd.log"), "to \"+27821234567\" with text \"*1234A1\""));
  // Nothing is left but the locks that keep a second bridge away.
  EXPECT_EQ(platform::list_files(dir.file("site/Outbox"), "*"),
            std::vector<std::string>{"sms-bridge.lock"});
  EXPECT_EQ(platform::list_files(dir.file("gw/outbox"), "*"),
            std::vector<std::string>{"tarvex-sms-bridge.lock"});

  // The incoming-message folder got the same lines as the unit log, in the
  // layout the program reads.
  const auto lines = platform::read_lines(dir.file("site/UnitLog.msg"));
  EXPECT_EQ(all_lines(dir.file("site/Incoming")), lines);
  bool answer_seen = false;
  for (const auto& line : lines) {
    ASSERT_EQ(line.rfind("+27821234567,", 0), 0u) << line;
    const auto third = line.find(',', line.find(',', 13) + 1);
    ASSERT_NE(third, std::string::npos) << line;
    EXPECT_EQ(third - line.find(',', 13), 20u) << line;  // ",yyyy/mm/dd hh:mm:ss"
    if (line.find(",received,") != std::string::npos) {
      EXPECT_EQ(line.substr(third + 1), "OK, Zone 1");
      answer_seen = true;
    }
  }
  EXPECT_TRUE(answer_seen);
}

#else
TEST(SmsGatewayDaemon, ProgrammingRunReachesThePhoneAndTheUnitsAnswerComesBack) {
  GTEST_SKIP() << "needs Debian's gammu-smsd, started with fork()";
}
#endif

}  // namespace
}  // namespace tarvex::outbound
