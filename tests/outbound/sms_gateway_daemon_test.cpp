// The bridge against the real gammu-smsd daemon, whose dummy phone driver
// makes a folder act as the phone: outbox files of a programming run reach
// the phone, and a message the phone receives reaches the incoming-message
// folder and the unit log.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "faulty_bridge_files.h"
#include "outbound/gammu_gateway.h"
#include "outbound/outbox_message_file.h"
#include "outbound/sms_bridge.h"
#include "platform/text_file.h"
#include "support/child_process.h"
#include "support/gammu_daemon.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

#ifndef _WIN32

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

// gammu-smsd with its dummy phone in dir (support/gammu_daemon.h), and the
// programming folder of the site the bridge serves.
std::string start_daemon(const testing::TempFolder& dir, pid_t& gateway) {
  platform::create_folders(dir.file("site/Outbox"));
  return testing::start_gammu_daemon(dir.path(), gateway);
}

bool still_running(pid_t process) {
  int status = 0;
  return waitpid(process, &status, WNOHANG) == 0;
}

int count(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

std::string file_or_none(const testing::TempFolder& dir, const std::string& name) {
  return platform::file_exists(dir.file(name)) ? dir.read(name) : "none";
}

TEST(SmsGatewayDaemon, ProgrammingRunReachesThePhoneAndTheUnitsAnswerComesBack) {
  testing::TempFolder dir;
  pid_t gateway = -1;
  if (const std::string why = start_daemon(dir, gateway); !why.empty()) GTEST_SKIP() << why;

  dir.write("site/setup.txt", "Outbox\r\nDevices\r\nIncoming\r\nbridge\r\nUnitLog.msg\r\n");
  const pid_t bridge = testing::start_program(std::string(TARVEX_BINARY_DIR) + "/tarvex-sms-bridge",
                                              {dir.file("smsdrc")}, dir.file("site"));
  ASSERT_GT(bridge, 0);
  write_outbox_file(dir.file("site/Outbox"),
                    programming_message("+27821234567", 3, "*1234*12\"1ABC\""));
  write_outbox_file(dir.file("site/Outbox"),
                    command_message("+27821234567", 42, "*", "1234", "A1"));
  // The unit answers: a message arrives on the phone, written whole.
  testing::give_phone_message(dir.path(), "1", "+27821234567", "OK, Zone 1");

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

TEST(SmsGatewayDaemon, LongTagsAndTextsLongerThanOneSms) {
  testing::TempFolder dir;
  pid_t gateway = -1;
  if (const std::string why = start_daemon(dir, gateway); !why.empty()) GTEST_SKIP() << why;
  dir.write("site/setup.txt", "Outbox\r\nDevices\r\nIncoming\r\nbridge\r\nUnitLog.msg\r\n");
  const std::string program = std::string(TARVEX_BINARY_DIR) + "/tarvex-sms-bridge";
  pid_t bridge = testing::start_program(program, {dir.file("smsdrc")}, dir.file("site"));
  ASSERT_GT(bridge, 0);
  // A tag that would make gammu-smsd abort on the name of its outbox file,
  // at every start.
  platform::write_file(dir.file("site/Outbox/+27821234567_" + std::string(70, '7') + ".txt"),
                       "+27821234567,7,long tag");
  const std::string ucs2(70, '\xEA');
  for (const auto& [tag, text] :
       std::vector<std::pair<int, std::string>>{{2, std::string(161, 'a')},  // two SMS
                                                {3, std::string(75, '{')},   // 150 septets: one
                                                {4, ucs2},                   // UCS-2: one
                                                {5, ucs2 + "e"}})            // UCS-2: two
    write_outbox_file(dir.file("site/Outbox"), programming_message("+27821234567", tag, text));
  const auto unit_log = [&] { return file_or_none(dir, "site/UnitLog.msg"); };
  const bool passed_on = testing::wait_until(
      [&] { return count(unit_log(), ",sent,") == 3 && count(unit_log(), ",failed,") == 2; }, 45);
  EXPECT_EQ(testing::stop_program(bridge), 0);
  ASSERT_TRUE(passed_on) << "unit log: " << unit_log()
                         << "\nbridge log: " << file_or_none(dir, "site/sms-bridge.log")
                         << "\ngateway log: " << dir.read("smsd.log");
  EXPECT_TRUE(still_running(gateway)) << dir.read("smsd.log");
  const std::string log = dir.read("smsd.log");
  EXPECT_EQ(count(log, "Found 1 sms to \"+27821234567\" with text \"long tag\""), 1) << log;
  EXPECT_EQ(count(log, "Found 1 sms to \"+27821234567\" with text \"" + std::string(75, '{')), 1)
      << log;
  EXPECT_EQ(count(log, "Found 1 sms to"), 3) << log;
  EXPECT_EQ(count(log, "sms to"), 3) << log;
  EXPECT_EQ(count(unit_log(), ",Not sent: too long for one SMS, it needs 2 ("), 2) << unit_log();

  // Allowed, a long text goes out as linked parts.
  dir.write("site/sms-bridge.ini", "multipart = yes\n");
  bridge = testing::start_program(program, {dir.file("smsdrc")}, dir.file("site"));
  ASSERT_GT(bridge, 0);
  write_outbox_file(dir.file("site/Outbox"),
                    programming_message("+27821234567", 6, std::string(161, 'b')));
  const bool sent =
      testing::wait_until([&] { return count(unit_log(), ",sent,") == 5; }, 45);  // 2 lines
  EXPECT_EQ(testing::stop_program(bridge), 0);
  testing::stop_program(gateway);
  ASSERT_TRUE(sent) << unit_log() << dir.read("smsd.log");
  EXPECT_EQ(count(dir.read("smsd.log"), "Found 2 sms to \"+27821234567\" with text \"bbb"), 1);
  EXPECT_EQ(count(unit_log(), ",Sent: bbb"), 1);
}

// The bridge in this process, on the file operations of the test, in front
// of the real daemon: claims that can be neither deleted nor renamed, logs
// that can not be written, a daemon record that can not be deleted, and a
// bridge stopped dead between telling a message and deleting its record.
TEST(SmsGatewayDaemon, EveryMessageIsSentAndToldOnceWhateverFileOperationFails) {
  testing::TempFolder dir;
  pid_t gateway_process = -1;
  if (const std::string why = start_daemon(dir, gateway_process); !why.empty()) GTEST_SKIP() << why;
  const GammuSettings settings = read_gammu_settings(dir.file("smsdrc"));
  const EngineFolders folders{dir.file("site/Outbox"), dir.file("site/Incoming"),
                              dir.file("site/sms-bridge.log"), dir.file("site/UnitLog.msg")};
  // A (+...61): its claim can not be deleted, its daemon record neither;
  // B (+...62): its claim can not be deleted under either name, and the
  // bridge is stopped once after telling it; C (+...63): its claim can be
  // neither deleted nor renamed for a while.
  bool logs_fail = true, c_stuck = true, a_record_stuck = true, stop_after_b = true;
  FaultyBridgeFiles files;
  files.fail = [&](const std::string& op, const std::string& path) {
    const std::string name = platform::file_name_of(path);
    const bool claim = ends_with(name, ".sending") || ends_with(name, ".handed");
    const bool record = path.rfind(settings.sent, 0) == 0;
    if (op == "append") return logs_fail;
    if (op == "remove" && claim && name.rfind("+2782123456", 0) == 0)
      return ends_with(name, ".sending") || name.rfind("+27821234562_", 0) == 0;
    if (claim && name.rfind("+27821234563_", 0) == 0) return c_stuck;
    if (op == "remove" && record && name.find("_+27821234561_") != std::string::npos)
      return a_record_stuck;
    return false;
  };
  files.stop = [&](const std::string& op, const std::string& path) {
    const bool b_record =
        path.rfind(settings.sent, 0) == 0 && path.find("_+27821234562_") != std::string::npos;
    if (op != "remove" || !b_record || !stop_after_b) return false;
    stop_after_b = false;
    return true;
  };
  const auto wall_ms = [] {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
  };
  std::optional<GammuFilesGateway> gateway;
  std::optional<SmsBridge> bridge;
  const auto start = [&] {
    bridge.reset();
    gateway.emplace(
        settings, [](const std::string&) {}, 200, files);
    bridge.emplace(folders, *gateway, wall_ms, 200, BridgeSettings{}, files);
  };
  start();
  // What the program takes from the incoming folder, in order.
  std::vector<std::string> told;
  const auto round = [&] {
    try {
      bridge->poll(wall_ms());
    } catch (const platform::FileError&) {
      // as the program: told, and the next round goes on
    } catch (const BridgeStopped&) {
      start();
    }
    for (const auto& name : platform::list_files(folders.incoming_folder, "*.txt")) {
      const std::string path = platform::join_path(folders.incoming_folder, name);
      for (auto& line : platform::read_lines(path)) told.push_back(line);
      std::filesystem::remove(path);
    }
  };
  const auto told_sent = [&](const std::string& text) {
    int n = 0;
    for (const auto& line : told)
      n += line.find(",sent,") != std::string::npos && ends_with(line, ",Sent: " + text);
    return n;
  };
  const auto all_told = [&] {
    return told_sent("alpha") && told_sent("bravo") && told_sent("charlie");
  };
  const auto run_until = [&](const std::function<bool()>& done) {
    return testing::wait_until(
        [&] {
          round();
          return done();
        },
        45);
  };
  for (const auto& [number, text] : std::vector<std::pair<const char*, const char*>>{
           {"+27821234561", "alpha"}, {"+27821234562", "bravo"}, {"+27821234563", "charlie"}})
    write_outbox_file(folders.programming_folder, programming_message(number, 1, text));
  const auto context = [&] {
    return "told: " + ::testing::PrintToString(told) +
           "\nbridge log: " + file_or_none(dir, "site/sms-bridge.log") +
           "\ngateway log: " + dir.read("smsd.log");
  };

  // Neither the unit log nor the bridge log can be written at first.
  ASSERT_TRUE(run_until([&] { return !told.empty(); })) << context();
  logs_fail = false;
  ASSERT_TRUE(run_until(all_told)) << context();
  // Started again, the bridge tells nothing twice and hands nothing over
  // again, while the records of A and C stay with the daemon.
  start();
  const std::size_t log_before = dir.read("site/sms-bridge.log").size();
  for (int i = 0; i < 10; ++i) {
    round();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_EQ(platform::list_files(settings.sent, "OUT*").size(), 2u);
  EXPECT_EQ(platform::list_files(settings.outbox, "OUT*").size(), 0u);
  const std::string since_start = dir.read("site/sms-bridge.log").substr(log_before);
  EXPECT_EQ(count(since_start, "could not rename or delete +27821234563_1.txt."), 1) << since_start;
  EXPECT_EQ(count(since_start, "could not delete +27821234562_1.txt."), 1) << since_start;

  // The faults clear: C's claim and both records go.
  c_stuck = false;
  a_record_stuck = false;
  ASSERT_TRUE(run_until([&] {
    return platform::list_files(settings.sent, "*").empty() &&
           platform::list_files(folders.programming_folder, "+27821234563*").empty();
  })) << context();
  testing::stop_program(gateway_process);

  for (const char* text : {"alpha", "bravo", "charlie"}) {
    EXPECT_EQ(told_sent(text), 1) << text << "\n" << context();
    EXPECT_EQ(count(dir.read("smsd.log"), std::string("sms to \"+2782123456") +
                                              (text[0] == 'a'   ? "1"
                                               : text[0] == 'b' ? "2"
                                                                : "3") +
                                              "\" with text \"" + text + "\""),
              1)
        << text;
  }
  EXPECT_EQ(told.size(), 3u) << context();
  // B's claim, renamed once its message was with the daemon, could not be
  // deleted; it is never handed over again.
  const auto left = platform::list_files(folders.programming_folder, "*");
  ASSERT_EQ(left.size(), 1u) << ::testing::PrintToString(left);
  EXPECT_EQ(left[0].rfind("+27821234562_1.txt.", 0), 0u) << left[0];
  EXPECT_TRUE(ends_with(left[0], ".handed")) << left[0];
  // The unit log got what was told while it could not be written once it
  // could, and holds everything once.
  const std::string unit_log = file_or_none(dir, "site/UnitLog.msg");
  for (const char* text : {"alpha", "bravo", "charlie"})
    EXPECT_EQ(count(unit_log, std::string(",Sent: ") + text), 1) << unit_log;
}

// The exit code of a program that ends by itself within 20 s, else -1.
int exit_code(pid_t process) {
  int status = 0;
  if (!testing::wait_until([&] { return waitpid(process, &status, WNOHANG) == process; }, 20)) {
    testing::stop_program(process);
    return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(SmsBridgeProgram, RefusalsAndWarningsReachItsLogAndASecondBridgeIsRefused) {
  testing::TempFolder dir;
  const std::string program = std::string(TARVEX_BINARY_DIR) + "/tarvex-sms-bridge";
  platform::create_folders(dir.file("site"));
  dir.write("smsdrc", "[smsd]\nservice = files\ninboxformat = detail\ninboxpath = " +
                          dir.file("gw/inbox/") + "\noutboxpath = " + dir.file("gw/outbox/") +
                          "\nsentsmspath = " + dir.file("gw/sent/") +
                          "\nerrorsmspath = " + dir.file("gw/error/") + "\n");
  const auto log = [&] { return file_or_none(dir, "site/sms-bridge.log"); };
  // Started with no terminal, a bridge that refuses to start says why in
  // its log.
  EXPECT_EQ(exit_code(testing::start_program(program, {dir.file("smsdrc")}, dir.file("site"))), 1);
  EXPECT_NE(log().find("not started: "), std::string::npos) << log();
  EXPECT_NE(log().find("setup.txt"), std::string::npos) << log();

  dir.write("site/setup.txt", "Outbox\r\nDevices\r\nIncoming\r\n");
  const pid_t first = testing::start_program(program, {dir.file("smsdrc")}, dir.file("site"));
  ASSERT_GT(first, 0);
  ASSERT_TRUE(testing::wait_until([&] { return log().find(" started;") != std::string::npos; }, 20))
      << log();
  EXPECT_NE(log().find("no delivery reports"), std::string::npos) << log();
  EXPECT_EQ(exit_code(testing::start_program(program, {dir.file("smsdrc")}, dir.file("site"))), 1);
  EXPECT_NE(log().find("not started: another tarvex-sms-bridge is running"), std::string::npos)
      << log();
  EXPECT_EQ(testing::stop_program(first), 0);
}

#else
TEST(SmsGatewayDaemon, ProgrammingRunReachesThePhoneAndTheUnitsAnswerComesBack) {
  GTEST_SKIP() << "needs Debian's gammu-smsd, started with fork()";
}
#endif

}  // namespace
}  // namespace tarvex::outbound
