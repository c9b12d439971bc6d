#include "outbound/modem_engine_standin.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "outbound/outbox_message_file.h"
#include "outbound/sms_programming.h"
#include "platform/text_file.h"
#include "support/child_process.h"
#include "support/file_faults.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  if (!platform::folder_exists(folder)) return names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(OutboxParsing, DestinationBeforeFirstSeparatorBodyAfterHeadersSkipped) {
  auto programming = parse_outbox_file("+27821234567,7,P1234S12\"1,7,ABC\"");
  ASSERT_TRUE(programming);
  EXPECT_EQ(programming->destination, "+27821234567");
  EXPECT_EQ(programming->body, "P1234S12\"1,7,ABC\"");
  EXPECT_FALSE(programming->command_header);

  auto command = parse_outbox_file("NONE\r\nReport:N\r\n+27821234567,7,P1234A1\r\n");
  ASSERT_TRUE(command);
  EXPECT_EQ(command->destination, "+27821234567");
  EXPECT_EQ(command->body, "P1234A1");
  EXPECT_TRUE(command->command_header);
  EXPECT_EQ(command->report, "N");

  // A plain text may hold line ends of its own; only the last one goes.
  auto plain = parse_outbox_file("0821234567,7,line one\r\nline two\r\n");
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->body, "line one\r\nline two");

  EXPECT_FALSE(parse_outbox_file(""));
  EXPECT_FALSE(parse_outbox_file("NONE\r\nReport:N\r\n"));
  EXPECT_FALSE(parse_outbox_file("+27821234567,8,text"));
  EXPECT_FALSE(parse_outbox_file("+2782\r\n1234567,7,text"));
}

TEST(EngineFolders, ReadFromSetupLinesOneAndThree) {
  testing::TempFolder dir;
  dir.write("setup.txt", "Outbox\r\nDevices\r\n/abs/Incoming\r\nengine\r\n");
  const EngineFolders folders = engine_folders(dir.path());
  EXPECT_EQ(folders.programming_folder, dir.file("Outbox"));
  EXPECT_EQ(folders.incoming_folder, platform::to_native_path("/abs/Incoming"));
  EXPECT_EQ(folders.log_file, dir.file("modem-engine.log"));

  dir.write("setup.txt", "Outbox\r\nDevices\r\n\r\n");
  EXPECT_THROW(engine_folders(dir.path()), std::runtime_error);
  dir.write("setup.txt", "Outbox\r\nDevices\r\n" + dir.file("Outbox/") + "\r\n");
  EXPECT_THROW(engine_folders(dir.path()), std::runtime_error);
  testing::TempFolder empty;
  EXPECT_THROW(engine_folders(empty.path()), platform::FileError);
}

class Standin : public ::testing::Test {
 protected:
  Standin()
      : engine({dir.file("Outbox"), dir.file("Incoming"), dir.file("modem-engine.log"), ""},
               [] { return std::string("2026/12/08 10:00:00"); }) {
    platform::create_folders(dir.file("Outbox"));
  }
  std::string outbox(const std::string& name) const { return dir.file("Outbox/" + name); }

  testing::TempFolder dir;
  ModemEngineStandin engine;
};

TEST_F(Standin, TakesSettledFilesLogsDeletesAndAnswersInOneIncomingFile) {
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234567", 3, "P1234S12\"1ABC\""));
  write_outbox_file(dir.file("Outbox"), command_message("+27821234567", 42, "P", "1234", "A1"));
  write_outbox_file(dir.file("Outbox"), plain_message("0821234567", 5, "Hello, there"));
  // A sender's temporary file is none of the engine's business.
  dir.write("Outbox/+27821234567_4.txt.tmp", "+27821234567,7,half");

  EXPECT_EQ(engine.poll(1000), 0);  // first sight
  EXPECT_EQ(engine.poll(1499), 0);  // not settled yet
  EXPECT_EQ(engine.poll(1500), 3);
  EXPECT_EQ(names_in(dir.file("Outbox")), std::vector<std::string>{"+27821234567_4.txt.tmp"});
  ASSERT_EQ(names_in(dir.file("Incoming")), std::vector<std::string>{"modem-engine-1.txt"});

  const auto replies = platform::read_lines(dir.file("Incoming/modem-engine-1.txt"));
  ASSERT_EQ(replies.size(), 3u);
  std::vector<std::string> sorted = replies;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<std::string>{
                        "+27821234567,standin,2026/12/08 10:00:00,OK, message 3 received",
                        "+27821234567,standin,2026/12/08 10:00:00,OK, message 42 received",
                        "0821234567,standin,2026/12/08 10:00:00,OK, message 5 received"}));
  // Every reply fits the incoming layout: three commas before the text, a
  // ten-character date, a blank, the time.
  for (const auto& line : replies) {
    const auto third = line.find(',', line.find(',', line.find(',') + 1) + 1);
    ASSERT_NE(third, std::string::npos);
    EXPECT_EQ(line.substr(third - 19, 19), "2026/12/08 10:00:00");
  }

  const std::string log = dir.read("modem-engine.log");
  EXPECT_NE(log.find("sent to +27821234567: P1234S12\"1ABC\" (+27821234567_3.txt)"),
            std::string::npos);
  EXPECT_NE(log.find("sent to +27821234567: P1234A1 (+27821234567_42.txt, command)"),
            std::string::npos);
  EXPECT_NE(log.find("sent to 0821234567: Hello, there (0821234567_5.txt)"), std::string::npos);

  // Nothing more to do, and the next answers get a name of their own.
  EXPECT_EQ(engine.poll(3000), 0);
  write_outbox_file(dir.file("Outbox"), plain_message("0821234567", 6, "again"));
  engine.poll(4000);
  EXPECT_EQ(engine.poll(5000), 1);
  EXPECT_EQ(names_in(dir.file("Incoming")),
            (std::vector<std::string>{"modem-engine-1.txt", "modem-engine-2.txt"}));
}

TEST_F(Standin, FileStillBeingWrittenWaitsUntilItStopsChanging) {
  dir.write("Outbox/+27821234567_1.txt", "+27821234567,7,P12");
  engine.poll(0);
  dir.write("Outbox/+27821234567_1.txt", "+27821234567,7,P1234S1\"abc\"");
  EXPECT_EQ(engine.poll(600), 0);  // grew since the last look
  EXPECT_EQ(engine.poll(1099), 0);
  EXPECT_EQ(engine.poll(1100), 1);
  EXPECT_NE(dir.read("modem-engine.log").find("P1234S1\"abc\""), std::string::npos);
}

TEST_F(Standin, FileWithoutSeparatorIsSetAsideUnanswered) {
  dir.write("Outbox/junk.txt", "no separator here");
  dir.write("Incoming/modem-engine-1.txt", "+27,x,2026/01/01 00:00:00,earlier\r\n");
  engine.poll(0);
  EXPECT_EQ(engine.poll(500), 0);
  EXPECT_EQ(names_in(dir.file("Outbox")), std::vector<std::string>{"junk.txt.bad"});
  EXPECT_NE(dir.read("modem-engine.log").find("not sent, no \",7,\" in junk.txt"),
            std::string::npos);
  EXPECT_EQ(names_in(dir.file("Incoming")), std::vector<std::string>{"modem-engine-1.txt"});

  // An answer file left unread is not overwritten.
  write_outbox_file(dir.file("Outbox"), plain_message("0821234567", 6, "x"));
  engine.poll(1000);
  EXPECT_EQ(engine.poll(2000), 1);
  EXPECT_EQ(dir.read("Incoming/modem-engine-1.txt"), "+27,x,2026/01/01 00:00:00,earlier\r\n");
  EXPECT_EQ(names_in(dir.file("Incoming")),
            (std::vector<std::string>{"modem-engine-1.txt", "modem-engine-2.txt"}));
}

// Two faults together: a claimed file that can be neither read nor put back
// is no answered one, though the other file of the same poll is answered.
TEST_F(Standin, ClaimThatCanNeitherBeReadNorPutBackIsAnsweredLaterNotDeleted) {
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234561", 1, "one"));
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234562", 2, "two"));
  engine.poll(0);
  {
    testing::FailingPaths faults({{platform::FileOp::Open, "+27821234561_1.txt.sending"},
                                  {platform::FileOp::Replace, "+27821234561_1.txt"}});
    engine.poll(500);
  }
  for (std::int64_t now = 1000; now <= 3000; now += 500) engine.poll(now);
  std::vector<std::string> answers;
  for (const auto& name : platform::list_files(dir.file("Incoming"), "*.txt"))
    for (auto& line : platform::read_lines(dir.file("Incoming/" + name))) answers.push_back(line);
  ASSERT_EQ(answers.size(), 2u) << ::testing::PrintToString(answers);
  std::sort(answers.begin(), answers.end());
  EXPECT_NE(answers[0].find("OK, message 1 received"), std::string::npos);
  EXPECT_NE(answers[1].find("OK, message 2 received"), std::string::npos);
  EXPECT_TRUE(names_in(dir.file("Outbox")).empty());
}

#ifndef _WIN32
// The real program, started the way "Open Modem Engine Application" starts it:
// no arguments, working folder = the start-up folder.
TEST(ModemEngineProgram, ConsumesOutboxAnswersAndStopsOnSigterm) {
  const std::string program = std::string(TARVEX_BINARY_DIR) + "/tarvex-modem-engine";
  ASSERT_TRUE(platform::file_exists(program)) << program;
  testing::TempFolder start;
  start.write("setup.txt", "Outbox\r\nDevices\r\nIncoming\r\nengine\r\n");
  platform::create_folders(start.file("Outbox"));
  write_outbox_file(start.file("Outbox"),
                    programming_message("+27821234567", 2, "P1234S12\"1ABC\""));

  const pid_t child = testing::start_program(program, {}, start.path());
  ASSERT_GT(child, 0);
  const bool answered = testing::wait_until(
      [&] {
        return !platform::list_files(start.file("Incoming"), "*.txt").empty() &&
               !platform::file_exists(start.file("Outbox/+27821234567_2.txt"));
      },
      10);
  const int exit_code = testing::stop_program(child);
  ASSERT_TRUE(answered);
  EXPECT_EQ(exit_code, 0);

  const auto incoming = platform::list_files(start.file("Incoming"), "*");
  ASSERT_EQ(incoming.size(), 1u);  // no temporary left beside it
  const auto lines = platform::read_lines(start.file("Incoming/" + incoming[0]));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].rfind("+27821234567,standin,", 0), 0u);
  EXPECT_NE(lines[0].find(",OK, message 2 received"), std::string::npos);

  const auto log = platform::read_lines(start.file("modem-engine.log"));
  ASSERT_GE(log.size(), 3u);
  EXPECT_NE(log[0].find("started"), std::string::npos);
  EXPECT_NE(log[1].find("sent to +27821234567: P1234S12\"1ABC\""), std::string::npos);
  EXPECT_NE(log.back().find("stopped"), std::string::npos);
}
#else
TEST(ModemEngineProgram, ConsumesOutboxAnswersAndStopsOnSigterm) {
  GTEST_SKIP() << "starts the program with fork() and stops it with SIGTERM, both POSIX only";
}
#endif

}  // namespace
}  // namespace tarvex::outbound
