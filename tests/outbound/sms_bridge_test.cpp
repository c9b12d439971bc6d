#include "outbound/sms_bridge.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

#include "faulty_bridge_files.h"
#include "outbound/gammu_gateway.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"
#include "support/file_faults.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

constexpr std::int64_t kWallMs = 1796778827000;  // 2026-12-09 01:13:47 UTC

std::vector<std::string> names_in(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string ucs2_hex(const std::string& latin1, const std::string& extra = "") {
  static const char* digits = "0123456789ABCDEF";
  std::string hex;
  for (unsigned char c : latin1) {
    hex += "00";
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  return hex + extra;
}

// gammu-smsd's folders, faked under dir/gw.
GammuSettings daemon_folders(const testing::TempFolder& dir, bool stores_reports = false) {
  return {dir.file("gw/inbox"), dir.file("gw/outbox"), dir.file("gw/sent"), dir.file("gw/error"),
          stores_reports};
}

class Bridge : public ::testing::Test {
 protected:
  Bridge()
      : gateway(daemon_folders(dir, true),
                [this](const std::string& text) { notes.push_back(text); }),
        bridge({dir.file("Outbox"), dir.file("Incoming"), dir.file("sms-bridge.log"),
                dir.file("UnitLog.msg")},
               gateway, [] { return kWallMs; }) {
    for (const char* folder : {"Outbox", "gw/inbox", "gw/outbox", "gw/sent", "gw/error"})
      platform::create_folders(dir.file(folder));
  }
  std::string now_text() const { return local_time_text(kWallMs / 1000); }
  std::vector<std::string> incoming_lines_written() const {
    std::vector<std::string> lines;
    for (const auto& name : platform::list_files(dir.file("Incoming"), "*.txt"))
      for (auto& line : platform::read_lines(dir.file("Incoming/" + name))) lines.push_back(line);
    return lines;
  }

  testing::TempFolder dir;
  std::vector<std::string> notes;
  GammuFilesGateway gateway;
  SmsBridge bridge;
};

TEST_F(Bridge, HandsCompleteOutboxFilesToTheGatewayAndReportsWhatItCanNotSend) {
  write_outbox_file(dir.file("Outbox"),
                    programming_message("+27821234567", 3, "*1234*12\"1ABC\xE9\""));
  write_outbox_file(dir.file("Outbox"), command_message("+27 82 123-4567", 42, "*", "1234", "A1"));
  write_outbox_file(dir.file("Outbox"), plain_message("08x12", 5, "hello"));
  dir.write("Outbox/junk_1.txt", "no separator");

  EXPECT_EQ(bridge.poll(0), 0);  // not settled yet
  EXPECT_EQ(bridge.poll(500), 4);

  // The programming row asks for a delivery report, the "Report:N" command
  // does not; the daemon reads the text the same in every locale.
  auto handed = names_in(dir.file("gw/outbox"));
  ASSERT_EQ(handed.size(), 2u);
  // Files written within one tick of the file system's clock are taken in
  // either order.
  if (handed[0].ends_with(".txt")) std::swap(handed[0], handed[1]);
  EXPECT_EQ(handed[0].rfind("OUTC", 0), 0u);
  EXPECT_TRUE(handed[0].ends_with("_+27821234567_3.txtd")) << handed[0];
  EXPECT_TRUE(handed[1].ends_with("_+27821234567_42.txt")) << handed[1];
  EXPECT_NE(handed[0], handed[1]);
  const std::string bytes = dir.read("gw/outbox/" + handed[0]);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE*\0", 4));
  EXPECT_EQ(from_text_file(bytes), "*1234*12\"1ABC\xE9\"");
  EXPECT_EQ(from_text_file(dir.read("gw/outbox/" + handed[1])), "*1234A1");

  // What can not be sent stays as the operator wrote it and is reported.
  EXPECT_EQ(names_in(dir.file("Outbox")),
            (std::vector<std::string>{"08x12_5.txt.bad", "junk_1.txt.bad"}));
  const std::vector<std::string> expected{
      "08x12,failed," + now_text() + ",Not sent: \"08x12\" is not a telephone number (08x12_5.txt)",
      "junk,failed," + now_text() + ",Not sent: no \",7,\" in junk_1.txt"};
  auto lines = incoming_lines_written();
  std::sort(lines.begin(), lines.end());
  EXPECT_EQ(lines, expected);
  auto logged = platform::read_lines(dir.file("UnitLog.msg"));
  std::sort(logged.begin(), logged.end());
  EXPECT_EQ(logged, expected);
}

// A claim left by a stop right after the hand-over, while the daemon's sent
// folder can not be read: whether the daemon has the message is not known,
// so it is not handed over again.
TEST_F(Bridge, ClaimIsNotHandedOverAgainWhileTheDaemonsFoldersCanNotBeRead) {
  dir.write("Outbox/+27821234567_8.txt.1796778827002.sending", "+27821234567,7,eight");
  dir.write("gw/sent/OUTC20261209_011347_1796778827002_+27821234567_8.txtd", "eight");
  {
    testing::FailingPaths unreadable({{platform::FileOp::List, "gw/sent"}});
    bridge.poll(0);
  }
  EXPECT_TRUE(names_in(dir.file("gw/outbox")).empty());
  bridge.poll(500);
  bridge.poll(1000);
  EXPECT_TRUE(names_in(dir.file("gw/outbox")).empty());
  EXPECT_TRUE(names_in(dir.file("Outbox")).empty());
  EXPECT_EQ(incoming_lines_written(),
            std::vector<std::string>{"+27821234567,sent," + now_text() + ",Sent: eight"});
}

TEST(BridgeStart, RemovesTheCopiesThatAStopCutShortAndNothingElse) {
  testing::TempFolder dir;
  const std::vector<std::string> cut_short{"Incoming/sms-bridge-17.pending.0123abcd.tmp",
                                           "sms-bridge.state.0123abcd.tmp",
                                           "gw/outbox/tarvex-17.0123abcd.tmp"};
  const std::vector<std::string> kept{"Incoming/other.tmp", "site.tmp", "gw/outbox/x.tmp",
                                      "gw/outbox/tarvex-sms-bridge.lock"};
  for (const auto& name : cut_short) dir.write(name, "half");
  for (const auto& name : kept) dir.write(name, "mine");
  GammuFilesGateway gateway({dir.file("gw/inbox"), dir.file("gw/outbox"), dir.file("gw/sent"),
                             dir.file("gw/error"), true},
                            [](const std::string&) {});
  SmsBridge bridge({dir.file("Outbox"), dir.file("Incoming"), dir.file("sms-bridge.log"), ""},
                   gateway, [] { return kWallMs; });
  for (const auto& name : cut_short) EXPECT_FALSE(platform::file_exists(dir.file(name))) << name;
  for (const auto& name : kept) EXPECT_TRUE(platform::file_exists(dir.file(name))) << name;
}

TEST_F(Bridge, HandOverLeftHalfDoneIsFinishedOnceOnly) {
  // Claimed by an earlier run that stopped before the gateway had it...
  dir.write("Outbox/+27821234567_7.txt.1796778827001.sending", "+27821234567,7,seven");
  // ...and one that stopped after the gateway had it.
  dir.write("Outbox/+27821234567_8.txt.1796778827002.sending", "+27821234567,7,eight");
  dir.write("gw/sent/OUTC20261209_011347_1796778827002_+27821234567_8.txtd", "eight");

  bridge.poll(0);
  EXPECT_TRUE(names_in(dir.file("Outbox")).empty());
  const auto handed = names_in(dir.file("gw/outbox"));
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_NE(handed[0].find("_1796778827001_+27821234567_7.txtd"), std::string::npos);
  EXPECT_EQ(from_text_file(dir.read("gw/outbox/" + handed[0])), "seven");

  // New hand-overs go on past the serials found.
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234567", 9, "nine"));
  bridge.poll(1000);
  bridge.poll(2000);
  const auto later = names_in(dir.file("gw/outbox"));
  ASSERT_EQ(later.size(), 2u);
  EXPECT_NE(later[1].find("_1796778827003_+27821234567_9.txtd"), std::string::npos) << later[1];
}

TEST_F(Bridge, PassesOnReceivedSentFailedAndReportsToIncomingFolderAndUnitLog) {
  const std::string long_text(170, 'x');
  dir.write("gw/sent/OUTC20261209_011347_1796778827750_+27821234567_3.txtd",
            to_utf16_file(long_text));
  dir.write("gw/error/OUTC20261209_011348_1796778827751_+27821234568_4.txt", to_utf16_file("A1"));
  // A long message in two parts, with a line end and a character Latin-1
  // lacks; a delivery report.
  dir.write("gw/inbox/IN20261209_010700_00_+27821234560_00.txt",
            "; comment\n\n[SMSBackup000]\r\nNumber = \"+27821234560\"\r\nPDU = Deliver\n"
            "Text00 = " +
                ucs2_hex("OK, Zone 1\n") +
                "\r\nCoding = Default_No_Compression\n"
                "[SMSBackup001]\nNumber = \"+27821234560\"\nText00 = " +
                ucs2_hex("set caf\xE9 ", "20AC") + "\n");
  dir.write("gw/inbox/IN20261209_010701_00_+27821234561_00.txt",
            "[SMSBackup000]\nPDU = Status_Report\nNumber = \"+27821234561\"\nText00 = " +
                ucs2_hex("Delivered") + "\n");
  dir.write("gw/inbox/IN20261209_010702_00_+27821234562_00.txt", "not a backup");
  const auto received_at = [&](const char* name) {
    struct stat info {};
    ::stat(dir.file(std::string("gw/inbox/") + name).c_str(), &info);
    return local_time_text(info.st_mtime);
  };
  const std::string t1 = received_at("IN20261209_010700_00_+27821234560_00.txt");
  const std::string t2 = received_at("IN20261209_010701_00_+27821234561_00.txt");

  EXPECT_EQ(bridge.poll(0), 0);
  EXPECT_EQ(bridge.poll(500), 4);
  const std::vector<std::string> expected{
      "+27821234567,sent," + now_text() + ",Sent: " + std::string(154, 'x'),
      "+27821234567,sent," + now_text() + "," + std::string(16, 'x'),
      "+27821234568,failed," + now_text() + ",Not sent: A1",
      "+27821234560,received," + t1 + ",OK, Zone 1 set caf\xE9 ?",
      "+27821234561,report," + t2 + ",Delivery report: Delivered"};
  EXPECT_EQ(incoming_lines_written(), expected);
  EXPECT_EQ(platform::read_lines(dir.file("UnitLog.msg")), expected);
  // Passed on once: the gateway's files are gone, but for the one it can not
  // read, which is noted and left.
  EXPECT_TRUE(names_in(dir.file("gw/sent")).empty());
  EXPECT_TRUE(names_in(dir.file("gw/error")).empty());
  EXPECT_EQ(names_in(dir.file("gw/inbox")),
            std::vector<std::string>{"IN20261209_010702_00_+27821234562_00.txt"});
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(bridge.poll(1000), 0);
  EXPECT_EQ(notes.size(), 1u);
}

TEST(BridgeFailure, NothingIsLostWhileTheIncomingFolderCanNotBeWritten) {
  testing::TempFolder dir;
  dir.write("blocked", "a file where the incoming folder should be");
  GammuFilesGateway gateway(daemon_folders(dir), [](const std::string&) {});
  SmsBridge bridge({dir.file("Outbox"), dir.file("blocked/Incoming"), dir.file("bridge.log"), ""},
                   gateway, [] { return kWallMs; });
  dir.write("gw/sent/OUTC20261209_011347_1796778827750_+27821234567_3.txt", "P1");
  bridge.poll(0);
  EXPECT_THROW(bridge.poll(500), platform::FileError);
  EXPECT_TRUE(platform::file_exists(
      dir.file("gw/sent/OUTC20261209_011347_1796778827750_+27821234567_3.txt")));

  std::filesystem::remove(dir.file("blocked"));
  EXPECT_EQ(bridge.poll(1000), 1);
  EXPECT_EQ(platform::read_lines(dir.file("blocked/Incoming/sms-bridge-1796778827000.txt")),
            std::vector<std::string>{"+27821234567,sent," + local_time_text(kWallMs / 1000) +
                                     ",Sent: P1"});
}

// A unit log that fails is tried again for a few rounds, then the lines go
// to the bridge's log instead, so that what comes next is passed on.
TEST(BridgeFailure, AUnitLogThatCanNotBeWrittenHoldsUpNothingForLong) {
  testing::TempFolder dir;
  dir.write("blocked", "a file where the unit log's folder should be");
  GammuFilesGateway gateway(daemon_folders(dir), [](const std::string&) {});
  SmsBridge bridge({dir.file("Outbox"), dir.file("Incoming"), dir.file("bridge.log"),
                    dir.file("blocked/UnitLog.msg")},
                   gateway, [] { return kWallMs; });
  dir.write("gw/sent/OUTC20261209_011347_1796778827750_+27821234567_3.txt", "P1");
  std::int64_t now = 0;
  for (; now <= 15000; now += 500) bridge.poll(now);
  dir.write("gw/sent/OUTC20261209_011348_1796778827751_+27821234567_4.txt", "P2");
  for (; now <= 30000; now += 500) bridge.poll(now);
  EXPECT_EQ(platform::list_files(dir.file("Incoming"), "*.txt").size(), 2u);
  const std::string log = dir.read("bridge.log");
  EXPECT_NE(log.find("not in the unit log:"), std::string::npos) << log;
  EXPECT_NE(log.find(",Sent: P1"), std::string::npos) << log;
  EXPECT_NE(log.find(",Sent: P2"), std::string::npos) << log;
}

TEST(SmsSize, CountsGsmSeptetsWithTheExtensionTableAndUcs2Otherwise) {
  EXPECT_EQ(sms_size(std::string(160, 'a')).parts, 1);
  EXPECT_EQ(sms_size(std::string(161, 'a')).parts, 2);
  EXPECT_EQ(sms_size(std::string(306, 'a')).parts, 2);
  EXPECT_EQ(sms_size(std::string(307, 'a')).parts, 3);
  // "{" and the like take two septets; "@", "\xA3", "\xE9", line ends one.
  EXPECT_EQ(sms_size(std::string(80, '{')).units, 160u);
  EXPECT_EQ(sms_size(std::string(80, '{')).parts, 1);
  EXPECT_EQ(sms_size(std::string(79, '{') + "@a").parts, 1);
  EXPECT_EQ(sms_size(std::string(80, '{') + "a").parts, 2);
  const SmsSize gsm = sms_size("@\xA3\xE9\xDC\r\n");
  EXPECT_FALSE(gsm.unicode);
  EXPECT_EQ(gsm.units, 6u);
  // One character outside the GSM alphabet makes it UCS-2: 70 to an SMS.
  const std::string accented = std::string(69, 'a') + "\xEA";
  EXPECT_TRUE(sms_size(accented).unicode);
  EXPECT_EQ(sms_size(accented).parts, 1);
  EXPECT_EQ(sms_size(accented + "b").parts, 2);
  EXPECT_TRUE(sms_size("`").unicode);
}

TEST_F(Bridge, TextLongerThanOneSmsIsRefusedUnlessMultipartIsAllowed) {
  const std::string long_text(161, 'a');
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234567", 1, long_text));
  write_outbox_file(dir.file("Outbox"),
                    programming_message("+27821234567", 2, std::string(80, '{')));
  bridge.poll(0);
  bridge.poll(500);
  EXPECT_EQ(names_in(dir.file("gw/outbox")).size(), 1u);
  EXPECT_EQ(names_in(dir.file("Outbox")), std::vector<std::string>{"+27821234567_1.txt.bad"});
  EXPECT_EQ(incoming_lines_written(),
            std::vector<std::string>{"+27821234567,failed," + now_text() +
                                     ",Not sent: too long for one SMS, it needs 2 (161 of 160 GSM "
                                     "characters) (+27821234567_1.txt)"});
  EXPECT_NE(dir.read("sms-bridge.log").find("\"multipart = yes\" in sms-bridge.ini"),
            std::string::npos);

  dir.write("sms-bridge.ini", "# linked parts\n[bridge]\n Multipart = Yes \n");
  const BridgeSettings multipart = read_bridge_settings(dir.file("sms-bridge.ini"));
  EXPECT_TRUE(multipart.multipart);
  EXPECT_FALSE(read_bridge_settings(dir.file("missing.ini")).multipart);
  for (const char* bad : {"multipart = maybe\n", "multi = yes\n"}) {
    dir.write("bad.ini", bad);
    EXPECT_THROW(read_bridge_settings(dir.file("bad.ini")), std::runtime_error) << bad;
  }
  SmsBridge sends_parts(
      {dir.file("Outbox"), dir.file("Incoming"), dir.file("sms-bridge.log"), ""}, gateway,
      [] { return kWallMs + 5000; }, 500, multipart);
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234567", 3, long_text));
  sends_parts.poll(1000);
  sends_parts.poll(1500);
  EXPECT_EQ(names_in(dir.file("gw/outbox")).size(), 2u);
}

TEST(BridgeFiles, MessageIsOnTheDiskInTheDaemonsOutboxBeforeItsClaimGoes) {
  testing::TempFolder dir;
  FaultyBridgeFiles files;
  GammuFilesGateway gateway(
      daemon_folders(dir), [](const std::string&) {}, 500, files);
  SmsBridge bridge(
      {dir.file("Outbox"), dir.file("Incoming"), dir.file("bridge.log"), ""}, gateway,
      [] { return kWallMs; }, 500, {}, files);
  platform::create_folders(dir.file("Outbox"));
  write_outbox_file(dir.file("Outbox"), programming_message("+27821234567", 1, "P1"));
  bridge.poll(0);
  bridge.poll(500);
  const auto step = [&](const std::string& op, const std::string& ending) {
    for (std::size_t i = 0; i < files.done.size(); ++i)
      if (files.done[i].rfind(op + " ", 0) == 0 && ends_with(files.done[i], ending)) return i;
    return files.done.size();
  };
  const std::string outbox = dir.file("gw/outbox");
  const std::size_t written = step("write", "tarvex-1796778827000");
  const std::size_t named = step("rename", "_+27821234567_1.txtd");
  const std::size_t synced = step("sync", outbox);
  const std::size_t claim_renamed = step("rename", ".1796778827000.handed");
  const std::size_t claim_gone = step("remove", ".1796778827000.handed");
  ASSERT_LT(claim_gone, files.done.size()) << ::testing::PrintToString(files.done);
  EXPECT_LT(written, named);
  EXPECT_LT(named, synced);
  EXPECT_LT(synced, claim_renamed);
  EXPECT_LT(claim_renamed, claim_gone);
}

// Two outbox messages, a received message and a delivery report, with every
// file operation of the bridge's rounds failing in turn (EIO, ENOSPC, EACCES)
// or the bridge stopped dead there, a write also half way. After a failure it
// goes on, after a stop it is started again: each message goes to the daemon
// once, and each line reaches the program (which takes and deletes the
// incoming files as they come) and the unit log once.
TEST(BridgeFiles, EveryMessageIsHandedOverAndToldOnceWhereverTheBridgeIsStopped) {
  testing::TempFolder dir(true);
  const EngineFolders folders{dir.file("Outbox"), dir.file("Incoming"), dir.file("bridge.log"),
                              dir.file("UnitLog.msg")};
  const GammuSettings daemon = daemon_folders(dir, true);
  const std::vector<std::string> all = {folders.programming_folder,
                                        folders.incoming_folder,
                                        daemon.inbox,
                                        daemon.outbox,
                                        daemon.sent,
                                        daemon.error};
  std::optional<GammuFilesGateway> gateway;
  std::optional<SmsBridge> bridge;
  std::vector<std::string> told;
  std::map<std::string, int> handed;  // texts the daemon was given
  std::int64_t now = 0;
  const auto rounds = [&](int count) {
    for (int round = 0; round < count; ++round, now += 500) {
      try {
        if (!bridge) {
          gateway.emplace(daemon, [](const std::string&) {});
          bridge.emplace(folders, *gateway, [] { return kWallMs; });
        }
        bridge->poll(now);
      } catch (const platform::FileError&) {
        // not started, or the round cut short: tried again
      }
      // Past the file seam: the daemon sends what it was given ("two"
      // fails), the program takes what it is told.
      for (const auto& name : names_in(daemon.outbox)) {
        if (name.rfind("OUT", 0) != 0) continue;
        const std::string text = from_text_file(dir.read("gw/outbox/" + name));
        ++handed[text];
        std::filesystem::rename(
            platform::join_path(daemon.outbox, name),
            platform::join_path(text == "one" ? daemon.sent : daemon.error, name));
      }
      for (const auto& name : names_in(folders.incoming_folder)) {
        if (!ends_with(name, ".txt")) continue;
        for (auto& line : platform::split_lines(dir.read("Incoming/" + name))) told.push_back(line);
        std::filesystem::remove(dir.file("Incoming/" + name));
      }
    }
  };
  const auto once = [](const std::vector<std::string>& lines) {
    int one = 0, two = 0, hi = 0, report = 0;
    for (const auto& line : lines) {
      one += line.find(",sent,") != std::string::npos && ends_with(line, ",Sent: one");
      two += line.find(",failed,") != std::string::npos && ends_with(line, ",Not sent: *1234two");
      hi += line.find(",received,") != std::string::npos && ends_with(line, ",hi");
      report += line.find(",report,") != std::string::npos &&
                ends_with(line, ",Delivery report: Delivered");
    }
    return one == 1 && two == 1 && hi == 1 && report == 1 && lines.size() == 4;
  };
  const auto counts = testing::enumerate_file_faults(
      [&] {
        bridge.reset();
        gateway.reset();
        std::filesystem::remove_all(dir.file("gw"));
        for (const auto& folder : all) {
          std::filesystem::remove_all(folder);
          platform::create_folders(folder);
        }
        for (const char* file : {"bridge.log", "UnitLog.msg", kBridgeStateFile})
          std::filesystem::remove(dir.file(file));
        write_outbox_file(folders.programming_folder,
                          programming_message("+27821234561", 1, "one"));
        write_outbox_file(folders.programming_folder,
                          command_message("+27821234562", 2, "*", "1234", "two"));
        dir.write("gw/inbox/IN20261209_010700_00_+27821234563_00.txt",
                  "[SMSBackup000]\nNumber = \"+27821234563\"\nText00 = " + ucs2_hex("hi") + "\n");
        dir.write("gw/inbox/IN20261209_010701_00_+27821234561_00.txt",
                  "[SMSBackup000]\nPDU = Status_Report\nNumber = \"+27821234561\"\nText00 = " +
                      ucs2_hex("Delivered") + "\n");
        told.clear();
        handed.clear();
        now = 0;
      },
      [&] { rounds(4); },
      [&](const testing::FileFault& fault) {
        if (fault.crashed()) bridge.reset();
        rounds(6);
        EXPECT_TRUE(once(told)) << fault << ": " << ::testing::PrintToString(told);
        EXPECT_TRUE(once(platform::read_lines(folders.unit_log_file)))
            << fault << ": " << dir.read("UnitLog.msg");
        EXPECT_EQ(handed, (std::map<std::string, int>{{"*1234two", 1}, {"one", 1}})) << fault;
        for (const auto& folder : all)
          EXPECT_TRUE(names_in(folder).empty())
              << fault << ", " << folder << ": " << ::testing::PrintToString(names_in(folder));
      });
  std::cout << "[ faults   ] SMS gateway bridge: " << counts << "\n";
}

// Rounds of a bridge on dir's folders that is started again (twice at most)
// where it is stopped dead. The daemon sends what it was given; the program
// takes what it is told, which is returned.
std::vector<std::string> run_rounds(const testing::TempFolder& dir, FaultyBridgeFiles& files) {
  const EngineFolders folders{dir.file("Outbox"), dir.file("Incoming"), dir.file("bridge.log"),
                              dir.file("UnitLog.msg")};
  std::vector<std::string> told;
  std::int64_t now = 0;
  for (int round = 0, restarts = 0; round < 16; ++restarts) {
    if (restarts > 2) {
      ADD_FAILURE() << "stopped more than twice";
      break;
    }
    try {
      GammuFilesGateway gateway(
          {dir.file("gw/inbox"), dir.file("gw/outbox"), dir.file("gw/sent"), dir.file("gw/error"),
           true},
          [](const std::string&) {}, 500, files);
      SmsBridge bridge(
          folders, gateway, [] { return kWallMs; }, 500, {}, files);
      for (; round < 16; ++round, now += 500) {
        bridge.poll(now);
        for (const auto& name : platform::list_files(dir.file("gw/outbox"), "OUTC*"))
          std::filesystem::rename(dir.file("gw/outbox/" + name), dir.file("gw/sent/" + name));
        for (const auto& name : platform::list_files(dir.file("Incoming"), "*.txt")) {
          for (auto& line : platform::read_lines(dir.file("Incoming/" + name)))
            told.push_back(line);
          std::filesystem::remove(dir.file("Incoming/" + name));
        }
      }
    } catch (const BridgeStopped&) {
      ++round;
    }
  }
  return told;
}

// files stop the bridge dead at their n-th operation; stopped tells whether
// a run came that far.
void stop_at_operation(FaultyBridgeFiles& files, int n, bool& stopped) {
  files.stop = [&stopped, n, operations = 0](const std::string&, const std::string&) mutable {
    if (++operations != n) return false;
    stopped = true;
    return true;
  };
}

void make_bridge_folders(const testing::TempFolder& dir) {
  for (const char* folder : {"Outbox", "gw/inbox", "gw/outbox", "gw/sent", "gw/error"})
    platform::create_folders(dir.file(folder));
}

// A file that is no message is told once as not sent and set aside, wherever
// the bridge is stopped, also when it can not be set aside at first.
TEST(BridgeFiles, RefusalIsToldOnceWhereverTheBridgeIsStopped) {
  for (int stop_at = 1;; ++stop_at) {
    SCOPED_TRACE("stopped at operation " + std::to_string(stop_at));
    testing::TempFolder dir;
    make_bridge_folders(dir);
    FaultyBridgeFiles files;
    bool stopped = false, set_aside_failed = false;
    stop_at_operation(files, stop_at, stopped);
    files.fail = [&](const std::string& op, const std::string& path) {
      if (op != "rename" || !ends_with(path, ".bad") || set_aside_failed) return false;
      set_aside_failed = true;
      return true;
    };
    dir.write("Outbox/junk_1.txt", "no separator");
    const std::string refusal = ",Not sent: no \",7,\" in junk_1.txt";
    const auto refused = [&](const std::vector<std::string>& lines) {
      return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
        return line.rfind("junk,failed,", 0) == 0 && ends_with(line, refusal);
      });
    };
    const std::vector<std::string> told = run_rounds(dir, files);
    EXPECT_EQ(refused(told), 1) << ::testing::PrintToString(told);
    EXPECT_EQ(told.size(), 1u);
    EXPECT_EQ(refused(platform::read_lines(dir.file("UnitLog.msg"))), 1) << dir.read("UnitLog.msg");
    EXPECT_EQ(platform::list_files(dir.file("Outbox"), "*"),
              std::vector<std::string>{"junk_1.txt.bad"});
    if (!stopped) break;
  }
}

// The unit log: lines it could not take for a while it gets once it can, and
// a restart that can not read it to see whether it has them does not write
// them twice; a log that keeps failing ends with the lines in the bridge's
// log, and the next messages go on.
TEST(BridgeFiles, UnitLogGetsEachLineOnceThroughFaultsThatPass) {
  testing::TempFolder dir;
  for (const char* folder : {"Outbox", "gw/inbox", "gw/outbox", "gw/sent", "gw/error"})
    platform::create_folders(dir.file(folder));
  const EngineFolders folders{dir.file("Outbox"), dir.file("Incoming"), dir.file("bridge.log"),
                              dir.file("UnitLog.msg")};
  FaultyBridgeFiles files;
  int failing = 3;
  bool keep_failing = false, appended = false, stop_after_append = true;
  files.fail = [&](const std::string& op, const std::string& path) {
    if (op != "append" || path != folders.unit_log_file) return false;
    if (keep_failing || failing-- > 0) return true;
    appended = true;
    return false;
  };
  // Stopped dead once the unit log has the lines, before that is on record.
  files.stop = [&](const std::string& op, const std::string& path) {
    if (!appended || !stop_after_append || op != "write" || !ends_with(path, "sms-bridge.state"))
      return false;
    stop_after_append = false;
    return true;
  };
  std::optional<GammuFilesGateway> gateway;
  std::optional<SmsBridge> bridge;
  const auto start = [&] {
    bridge.reset();
    gateway.emplace(
        GammuSettings{dir.file("gw/inbox"), dir.file("gw/outbox"), dir.file("gw/sent"),
                      dir.file("gw/error"), true},
        [](const std::string&) {}, 500, files);
    bridge.emplace(
        folders, *gateway, [] { return kWallMs; }, 500, BridgeSettings{}, files);
  };
  std::int64_t now = 0;
  const auto poll = [&](int times) {
    for (int i = 0; i < times; ++i, now += 500) try {
        bridge->poll(now);
      } catch (const platform::FileError&) {
      } catch (const BridgeStopped&) {
        start();
      }
  };
  const auto receive = [&](char n) {
    dir.write(std::string("gw/inbox/IN20261209_01070") + n + "_00_+2782123456" + n + "_00.txt",
              std::string("[SMSBackup000]\nNumber = \"+2782123456") + n +
                  "\"\nText00 = " + ucs2_hex("hi") + "\n");
  };
  const auto lines_of = [&](char n, const std::vector<std::string>& lines) {
    return std::count_if(lines.begin(), lines.end(), [&](const std::string& line) {
      return line.rfind(std::string("+2782123456") + n + ",received,", 0) == 0 &&
             ends_with(line, ",hi");
    });
  };
  const auto incoming = [&] {
    std::vector<std::string> lines;
    for (const auto& name : platform::list_files(folders.incoming_folder, "*.txt"))
      for (auto& line : platform::read_lines(platform::join_path(folders.incoming_folder, name)))
        lines.push_back(line);
    return lines;
  };
  const auto unit_log = [&] { return platform::read_lines(folders.unit_log_file); };

  receive('1');
  start();
  poll(6);
  ASSERT_FALSE(stop_after_append);
  {
    testing::FailingPaths unreadable({{platform::FileOp::Open, "UnitLog.msg", 1}});
    poll(1);
  }
  poll(2);
  EXPECT_EQ(lines_of('1', incoming()), 1);
  EXPECT_EQ(lines_of('1', unit_log()), 1) << dir.read("UnitLog.msg");

  keep_failing = true;
  receive('2');
  poll(40);
  keep_failing = false;
  receive('3');
  poll(4);
  EXPECT_EQ(lines_of('2', incoming()), 1);
  EXPECT_EQ(lines_of('2', unit_log()), 0);
  EXPECT_NE(dir.read("bridge.log").find("not in the unit log:"), std::string::npos);
  EXPECT_EQ(lines_of('3', incoming()), 1);
  EXPECT_EQ(lines_of('3', unit_log()), 1);
  EXPECT_TRUE(platform::list_files(dir.file("gw/inbox"), "*").empty());
}

TEST(GammuSettingsFile, SampleConfigIsAcceptedAndUnsuitableOnesRefused) {
  const GammuSettings sample =
      read_gammu_settings(std::string(TARVEX_SOURCE_DIR) + "/demo/gammu-smsdrc");
  const auto native = platform::to_native_path;
  EXPECT_EQ(sample.inbox, native("/var/spool/gammu/inbox/"));
  EXPECT_EQ(sample.outbox, native("/var/spool/gammu/outbox/"));
  EXPECT_EQ(sample.sent, native("/var/spool/gammu/sent/"));
  EXPECT_EQ(sample.error, native("/var/spool/gammu/error/"));
  EXPECT_TRUE(sample.stores_reports);

  testing::TempFolder dir;
  const std::string folders =
      "InboxPath = in/\nOutboxPath = out/\nSentSMSPath = sent/\nErrorSMSPath = error/\n";
  dir.write("ok",
            "[gammu]\nservice = sql\n[SMSD]\nService = FILES\nInboxFormat = detail\n" + folders);
  const GammuSettings relative = read_gammu_settings(dir.file("ok"));
  EXPECT_EQ(relative.outbox, dir.file("out/"));
  EXPECT_FALSE(relative.stores_reports);

  for (const std::string& bad : std::vector<std::string>{
           "[smsd]\nservice = sql\ninboxformat = detail\n" + folders,
           "[smsd]\nservice = files\ninboxformat = unicode\n" + folders,
           "[smsd]\nservice = files\ninboxformat = detail\ninboxpath = in/\noutboxpath = out/\n"
           "sentsmspath = sent/\n",
           "[smsd]\nservice = files\ninboxformat = detail\ninboxpath = in/\noutboxpath = out/\n"
           "sentsmspath = out\nerrorsmspath = error/\n"}) {
    dir.write("bad", bad);
    EXPECT_THROW(read_gammu_settings(dir.file("bad")), std::runtime_error) << bad;
  }
}

}  // namespace
}  // namespace tarvex::outbound
