// The outbox hand-over under every single file fault and crash: what the
// programmer confirmed lies whole in the outbox, and the modem engine
// stand-in answers every message exactly once, if need be after a restart,
// and the program shows every answer once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>

#include "incoming/incoming_message.h"
#include "incoming/incoming_receiver.h"
#include "outbound/email_channel.h"
#include "outbound/modem_engine_standin.h"
#include "outbound/outbox_message_file.h"
#include "outbound/send_message.h"
#include "outbound/sms_programming.h"
#include "platform/file_api.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/file_faults.h"
#include "support/scripted_smtp_server.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::outbound {
namespace {

using testing::FileFault;

const std::string kUnit = "+27821234567";

// Every file of folder with its bytes.
std::map<std::string, std::string> files_in(const std::string& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(platform::to_fs_path(folder), ec), end;
       !ec && it != end; it.increment(ec))
    files[platform::from_fs_path(it->path().filename())] =
        platform::read_file(platform::from_fs_path(it->path()));
  return files;
}

void empty_folder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove_all(platform::to_fs_path(folder), ec);
  std::filesystem::create_directories(platform::to_fs_path(folder), ec);
}

TEST(OutboxFaults, ProgrammingRunConfirmsOnlyRowsWhoseFileLiesWholeInTheOutbox) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  const std::string outbox = dir.file("Outbox");
  platform::StringGrid grid{6, 4};
  std::map<std::string, std::string> written;  // by the clean run
  SmsRunResult result;
  const auto counts = testing::enumerate_file_faults(
      [&] {
        empty_folder(outbox);
        ui.messages.clear();
        for (int row = 1; row <= 3; ++row)
          grid.set_row_cells(row, {"Zone", "1" + std::to_string(row), "10", "0", "X", "Selected"});
        result = {};
      },
      [&] {
        result = program_via_sms({.unit_number = kUnit,
                                  .password = "1234",
                                  .mode = 1,
                                  .framing = {"P", "S", "AP", "AS"},
                                  .programming_folder = outbox,
                                  .grid = grid,
                                  .ui = ui},
                                 SmsFraming::CurrentMode);
      },
      [&](const FileFault& fault) {
        const auto now = files_in(outbox);
        if (fault.kind == FileFault::Kind::None) {
          written = now;
          ASSERT_EQ(written.size(), 3u);
          return;
        }
        for (int row = 1; row <= 3; ++row) {
          const std::string name = kUnit + "_" + std::to_string(row) + ".txt";
          if (grid.cell(5, row) == kMessageProgrammed) {
            EXPECT_EQ(now.count(name) ? now.at(name) : "<missing>", written.at(name)) << fault;
          }
        }
        // Nothing half-written where the engine looks.
        for (const auto& [name, bytes] : now) {
          if (name.size() > 4 && name.substr(name.size() - 4) == ".txt") {
            EXPECT_EQ(bytes, written.at(name)) << fault;
          }
        }
        if (fault.failed() && now != written) {
          EXPECT_FALSE(result.completed) << fault;
          EXPECT_FALSE(ui.messages.empty()) << fault;
        }
      });
  std::cout << "[ faults   ] programming run: " << counts << "\n";
}

TEST(OutboxFaults, SendMessageConfirmsOnlyAFileThatLiesWholeInTheOutbox) {
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  session.settings.programming_folder = "Outbox";
  EmailChannel email(session, std::make_unique<testing::ScriptedSmtpServer>());
  std::optional<MessageSender> sender;
  SendOutcome outcome;
  const std::string file = dir.file("Outbox/0821234567_1.txt");
  const auto counts = testing::enumerate_file_faults(
      [&] {
        empty_folder(dir.file("Outbox"));
        ui.messages.clear();
        sender.emplace(session, email, [](const std::string&) {});
        outcome = {};
      },
      [&] { outcome = sender->send_sms("0821234567", "Hello"); },
      [&](const FileFault& fault) {
        const bool whole =
            platform::file_exists(file) && platform::read_file(file) == "0821234567,7,Hello";
        if (outcome.sent) {
          EXPECT_TRUE(whole) << fault;
        }
        // What a crash leaves beside it is no outbox file.
        EXPECT_EQ(platform::list_files(dir.file("Outbox"), "*.txt").size(), whole ? 1u : 0u)
            << fault;
        if (fault.failed() && !whole) {
          EXPECT_FALSE(ui.messages.empty()) << fault;
        }
      });
  std::cout << "[ faults   ] Send Message: " << counts << "\n";
}

// Three messages in the outbox, seen once by a fresh engine; the run is its
// next poll. After a fault the same engine polls on; after a crash a new one
// starts. Either way every message is answered once and only once.
TEST(OutboxFaults, StandinAnswersEveryMessageOnceThroughAnyFaultOrCrash) {
  testing::TempFolder dir;
  const EngineFolders folders{dir.file("Outbox"), dir.file("Incoming"),
                              dir.file("modem-engine.log"), ""};
  const auto start = [&](std::optional<ModemEngineStandin>& engine) {
    engine.emplace(folders, [] { return std::string("2026/12/08 10:00:00"); });
  };
  std::optional<ModemEngineStandin> engine;
  const std::vector<std::string> tags = {"1", "2", "3"};
  const auto counts = testing::enumerate_file_faults(
      [&] {
        empty_folder(folders.programming_folder);
        empty_folder(folders.incoming_folder);
        platform::remove_file(folders.log_file);
        for (const auto& tag : tags)
          write_outbox_file(folders.programming_folder,
                            plain_message(kUnit, std::stoi(tag), "message " + tag));
        start(engine);
        engine->poll(0);
      },
      [&] {
        try {
          engine->poll(1000);
        } catch (const platform::FileError&) {
        }
      },
      [&](const FileFault& fault) {
        if (fault.crashed()) start(engine);
        for (std::int64_t t = 2000; t <= 6000; t += 1000) engine->poll(t);
        // Nothing left to send; a file that could not be deleted is set aside.
        for (const auto& [name, bytes] : files_in(folders.programming_folder))
          EXPECT_EQ(name.substr(name.size() - 5), ".sent") << fault << ": " << name;
        std::map<std::string, int> answers;
        for (const auto& [name, bytes] : files_in(folders.incoming_folder)) {
          EXPECT_EQ(name.substr(0, 13), "modem-engine-") << fault;
          EXPECT_EQ(name.substr(name.size() - 4), ".txt") << fault << ": " << name;
          for (const auto& line : platform::split_lines(bytes)) ++answers[line];
        }
        for (const auto& tag : tags)
          EXPECT_EQ(
              answers[kUnit + ",standin,2026/12/08 10:00:00,OK, message " + tag + " received"], 1)
              << fault << ", message " << tag;
        EXPECT_EQ(answers.size(), tags.size()) << fault;
        // The log may miss the lines of a poll a crash cut short, never double them.
        const std::string log =
            platform::file_exists(folders.log_file) ? platform::read_file(folders.log_file) : "";
        for (const auto& tag : tags) {
          const std::string line = "(" + kUnit + "_" + tag + ".txt)";
          const auto first = log.find(line);
          if (first != std::string::npos) {
            EXPECT_EQ(log.find(line, first + 1), std::string::npos) << fault << ", message " << tag;
          }
        }
      });
  std::cout << "[ faults   ] modem-engine stand-in: " << counts << "\n";
}

// The whole chain: a programming run writes three outbox files, the stand-in
// answers them, the program's receiver shows the answers. Every file
// operation of all three fails or crashes in turn; after a fault they go on,
// after a crash both programs start again (what the crashed one showed was
// seen all the same). Every confirmed row is answered and shown once, no
// answer twice, and nothing is left to be shown again at the next start.
TEST(OutboxFaults, EveryConfirmedMessageIsAnsweredAndItsAnswerShownOnce) {
  testing::TempFolder dir(true);
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  session.settings.incoming_folder = "Incoming";
  const EngineFolders folders{dir.file("Outbox"), dir.file("Incoming"),
                              dir.file("modem-engine.log"), ""};
  platform::StringGrid rows{6, 4};
  platform::StringGrid grid{4, 2};
  std::optional<ModemEngineStandin> engine;
  std::optional<incoming::IncomingReceiver> receiver;
  std::map<std::string, int> shown;  // by programs that crashed, then the grid
  std::int64_t now = 0;
  const auto start = [&] {
    for (int row = 1; row + 1 < grid.row_count(); ++row) ++shown[grid.cell(3, row)];
    incoming::clear_message_grid(grid);
    engine.emplace(folders, [] { return std::string("2026/12/08 10:00:00"); });
    receiver.emplace(session, grid);
    receiver->read_file = [](const std::string& path) {
      std::string bytes = platform::read_file(path);
      if (testing::run_has_crashed()) throw platform::SimulatedCrash{};
      return bytes;
    };
  };
  const auto go_on = [&](int rounds) {
    for (int round = 0; round < rounds; ++round) {
      now += 500;
      scheduler.advance(500);
      try {
        engine->poll(now);
      } catch (const platform::FileError&) {
      }
      receiver->poll();
    }
  };
  const auto counts = testing::enumerate_file_faults(
      [&] {
        empty_folder(folders.programming_folder);
        empty_folder(folders.incoming_folder);
        platform::remove_file(folders.log_file);
        for (int row = 1; row <= 3; ++row)
          rows.set_row_cells(row, {"Zone", "1" + std::to_string(row), "10", "0", "X", "Selected"});
        incoming::clear_message_grid(grid);
        shown.clear();
        start();
      },
      [&] {
        program_via_sms({.unit_number = kUnit,
                         .password = "1234",
                         .mode = 1,
                         .framing = {"P", "S", "AP", "AS"},
                         .programming_folder = folders.programming_folder,
                         .grid = rows,
                         .ui = ui},
                        SmsFraming::CurrentMode);
        go_on(4);
      },
      [&](const FileFault& fault) {
        if (fault.crashed()) start();
        go_on(6);
        start();
        int confirmed = 0;
        for (int row = 1; row <= 3; ++row) {
          const int times = shown["OK, message " + std::to_string(row) + " received"];
          if (rows.cell(5, row) == kMessageProgrammed) {
            ++confirmed;
            EXPECT_EQ(times, 1) << fault << ", row " << row;
          } else {
            EXPECT_LE(times, 1) << fault << ", row " << row;
          }
        }
        if (fault.kind == FileFault::Kind::None) {
          EXPECT_EQ(confirmed, 3);
        }
        std::erase_if(shown, [](const auto& entry) { return entry.second == 0; });
        EXPECT_LE(shown.size(), 3u) << fault;
        EXPECT_TRUE(platform::list_files(folders.programming_folder, "*.txt").empty()) << fault;
        EXPECT_TRUE(platform::list_files(folders.incoming_folder, "*.txt").empty()) << fault;
      });
  std::cout << "[ faults   ] programming run to the grid: " << counts << "\n";
}

}  // namespace
}  // namespace tarvex::outbound
