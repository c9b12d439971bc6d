#include "incoming/incoming_receiver.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "incoming/incoming_message.h"
#include "outbound/modem_engine_standin.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/file_faults.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::incoming {
namespace {

namespace fs = std::filesystem;

TEST(IncomingLine, FieldsAreCutAtTheFirstThreeCommas) {
  const auto m = parse_incoming_line("+27821234567,x,2026/12/08 22:11:10,hello, world");
  ASSERT_TRUE(m);
  EXPECT_EQ(*m, (IncomingMessage{"+27821234567", "2026/12/08 ", "22:11:10", "hello, world"}));
  EXPECT_FALSE(parse_incoming_line("+2782,x,2026/12/08 22:11:10"));
  // A short date field is taken as it stands; the time is then empty.
  EXPECT_EQ(*parse_incoming_line("a,,2026,"), (IncomingMessage{"a", "2026", "", ""}));
  EXPECT_TRUE(parse_incoming_line("a,b,c," + std::string(160, 'x')));
  EXPECT_FALSE(parse_incoming_line("a,b,c," + std::string(161, 'x')));
}

struct ReceiverTest : ::testing::Test {
  ReceiverTest() {
    session.settings.incoming_folder = "Inbox";
    fs::create_directories(inbox());
    for (int c = 0; c < 4; ++c) grid.set_cell(c, 0, kMessageHeadings[c]);
  }
  std::string inbox() const { return dir.file("Inbox"); }
  void drop(const std::string& name, const std::string& bytes) {
    dir.write("Inbox/" + name, bytes);
  }
  bool waiting(const std::string& name) const { return fs::exists(dir.file("Inbox/" + name)); }

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session{ui, scheduler, dir.path()};
  platform::StringGrid grid{4, 2};
  IncomingReceiver receiver{session, grid};
};

TEST_F(ReceiverTest, OneFinishedFilePerTickIsShownAndDeleted) {
  drop("a.txt",
       "+2782,s,2026/12/08 10:00:01,one\r\nbad,line\r\n+2783,s,2026/12/08 10:00:02,two\r\n"
       "+2784,s,2026/12/08 10:00:03," +
           std::string(161, 'x') + "\r\n+2785,s,2026/12/08 10:00:04,three\r\n");
  drop("b.txt", "+2786,s,2026/12/08 10:00:05,four\r\n");
  drop("c.msg", "+2787,s,2026/12/08 10:00:06,not an incoming file\r\n");
  // The first tick only notes what is there: a file may still be growing.
  EXPECT_EQ(receiver.poll().accepted, 0);
  EXPECT_EQ(receiver.poll().accepted, 3);
  EXPECT_FALSE(waiting("a.txt"));
  EXPECT_TRUE(waiting("b.txt"));
  EXPECT_EQ(grid.row_count(), 5);  // heading, three messages, the empty row
  EXPECT_EQ(grid.row_cells(3),
            (std::vector<std::string>{"+2785", "2026/12/08 ", "10:00:04", "three"}));
  EXPECT_EQ(grid.row_cells(4), (std::vector<std::string>{"", "", "", ""}));
  EXPECT_EQ(receiver.poll().accepted, 1);
  EXPECT_EQ(receiver.counter_caption(), "Message Count: 4");
  EXPECT_TRUE(waiting("c.msg"));

  // A file of nothing but malformed lines goes all the same.
  drop("d.txt", "no commas here\r\n");
  receiver.poll();
  receiver.poll();
  EXPECT_FALSE(waiting("d.txt"));
  EXPECT_EQ(receiver.counter(), 4);

  receiver.clear();
  EXPECT_EQ(grid.row_count(), 2);
  EXPECT_EQ(grid.cell(0, 1), "");
  drop("e.txt", "+2788,s,2026/12/08 10:00:07,five\r\n");
  receiver.poll();
  receiver.poll();
  EXPECT_EQ(grid.cell(3, 1), "five");
  EXPECT_EQ(receiver.counter_caption(), "Message Count: 1");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReceiverTest, TheModemEngineStandInsRepliesAreShown) {
  outbound::ModemEngineStandin engine({dir.file("Outbox"), inbox(), dir.file("engine.log")},
                                      [] { return std::string("2026/12/08 22:11:10"); });
  dir.write("Outbox/+27821234567_3.txt", "+27821234567,7,*4321*PGM2\"Gate\"");
  engine.poll(0);
  ASSERT_EQ(engine.poll(600), 1);
  receiver.poll();
  EXPECT_EQ(receiver.poll().accepted, 1);
  EXPECT_EQ(grid.row_cells(1), (std::vector<std::string>{"+27821234567", "2026/12/08 ", "22:11:10",
                                                         "OK, message 3 received"}));
  EXPECT_TRUE(fs::is_empty(inbox()));
}

TEST_F(ReceiverTest, ABurstIsTakenOneFilePerTick) {
  for (int i = 0; i < 100; ++i)
    drop("m" + std::to_string(1000 + i) + ".txt", "+2782,s,2026/12/08 10:00:00,m\r\n");
  receiver.poll();
  for (int tick = 0; tick < 100; ++tick) ASSERT_EQ(receiver.poll().accepted, 1) << tick;
  EXPECT_TRUE(fs::is_empty(inbox()));
}

TEST_F(ReceiverTest, AFileStillBeingWrittenWaitsUntilItStopsChanging) {
  drop("a.txt", "+2782,s,2026/12/08 10:00:01,first half");
  receiver.poll();
  drop("a.txt", "+2782,s,2026/12/08 10:00:01,first half and the rest\r\n");
  EXPECT_EQ(receiver.poll().accepted, 0);
  EXPECT_TRUE(waiting("a.txt"));
  EXPECT_EQ(receiver.poll().accepted, 1);
  EXPECT_EQ(grid.cell(3, 1), "first half and the rest");
}

// A writer that pauses mid-line across polls, one that goes on writing right
// after the receiver read its file, and one that creates a file and fills it
// late: nothing is shown half and nothing is deleted before it was read whole.
TEST_F(ReceiverTest, PausingAndLateWritersLoseNothing) {
  auto tick = [&] {
    scheduler.advance(500);
    return receiver.poll().accepted;
  };
  drop("a.txt", "+2782,s,2026/12/08 10:00:01,Alarm zo");
  for (int i = 0; i < 6; ++i) ASSERT_EQ(tick(), 0) << i;
  EXPECT_TRUE(waiting("a.txt"));
  std::ofstream(dir.file("Inbox/a.txt"), std::ios::app | std::ios::binary) << "ne 3 triggered\r\n";
  tick();
  EXPECT_EQ(tick(), 1);
  EXPECT_EQ(grid.cell(3, 1), "Alarm zone 3 triggered");
  EXPECT_FALSE(waiting("a.txt"));

  // More arrives between the read and the delete: nothing of it is shown
  // yet, and the file stays until it is read whole.
  drop("b.txt", "+2783,s,2026/12/08 10:00:02,first\r\n");
  bool appended = false;
  receiver.read_file = [&](const std::string& path) {
    std::string bytes = platform::read_file(path);
    if (!appended) {
      appended = true;
      std::ofstream(path, std::ios::app | std::ios::binary)
          << "+2783,s,2026/12/08 10:00:03,second\r\n";
    }
    return bytes;
  };
  tick();
  EXPECT_EQ(tick(), 0);
  EXPECT_TRUE(waiting("b.txt"));
  tick();
  EXPECT_EQ(tick(), 2);
  EXPECT_EQ(grid.cell(3, 3), "second");

  // An empty file waits for its content, and goes after a minute empty.
  drop("c.txt", "");
  for (int i = 0; i < 100; ++i) ASSERT_EQ(tick(), 0) << i;
  EXPECT_TRUE(waiting("c.txt"));
  drop("c.txt", "+2784,s,2026/12/08 10:00:04,late\r\n");
  tick();
  EXPECT_EQ(tick(), 1);
  drop("d.txt", "");
  for (int i = 0; i < 119; ++i) tick();
  EXPECT_TRUE(waiting("d.txt"));
  tick();
  tick();
  EXPECT_FALSE(waiting("d.txt"));
  // A last line without its line end is taken once unchanged for a minute.
  drop("e.txt", "+2785,s,2026/12/08 10:00:05,no line end");
  for (int i = 0; i < 119; ++i) ASSERT_EQ(tick(), 0) << i;
  tick();
  EXPECT_EQ(tick(), 1);
  EXPECT_EQ(receiver.counter(), 5);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(ReceiverTest, UnreadableOrUndeletableFilesAreReportedOnceAndHoldUpNoOther) {
  drop("a.txt", "+2782,s,2026/12/08 10:00:01,locked\r\n");
  drop("b.txt", "+2783,s,2026/12/08 10:00:02,free\r\n");
  bool locked = true;
  receiver.read_file = [&](const std::string& path) {
    if (locked && path.ends_with("a.txt")) throw platform::FileError("Cannot open a.txt");
    return platform::read_file(path);
  };
  for (int tick = 0; tick < 6; ++tick) receiver.poll();
  EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot open a.txt"});
  EXPECT_EQ(grid.cell(3, 1), "free");
  EXPECT_TRUE(waiting("a.txt"));  // never deleted unread
  locked = false;
  receiver.poll();
  EXPECT_EQ(grid.cell(3, 2), "locked");
  EXPECT_FALSE(waiting("a.txt"));

  // Read whole but not deleted: reported once, and not shown again while it
  // stays unchanged.
  ui.messages.clear();
  receiver.remove_file = [](const std::string&) { return false; };
  drop("c.txt", "+2784,s,2026/12/08 10:00:03,stuck\r\n");
  for (int tick = 0; tick < 6; ++tick) receiver.poll();
  EXPECT_EQ(receiver.counter(), 3);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("c.txt"), std::string::npos);
}

// A file shown but not deleted that its writer goes on writing: what was
// shown is not shown again, what is added or written anew is shown once, a
// listing that fails forgets none of it, and the file goes once it can.
TEST_F(ReceiverTest, WhatIsWrittenToAFileThatCouldNotBeDeletedIsShownOnce) {
  bool stuck = true;
  receiver.remove_file = [&](const std::string& path) {
    return !stuck && platform::remove_file(path);
  };
  const auto ticks = [&](int count) {
    for (int tick = 0; tick < count; ++tick) receiver.poll();
    return receiver.counter();
  };
  drop("a.txt", "+2782,s,2026/12/08 10:00:01,one\r\n");
  EXPECT_EQ(ticks(6), 1);
  std::ofstream(dir.file("Inbox/a.txt"), std::ios::app | std::ios::binary)
      << "+2782,s,2026/12/08 10:00:02,two\r\n";
  EXPECT_EQ(ticks(6), 2);
  EXPECT_EQ(grid.cell(3, 2), "two");
  drop("a.txt", "+2782,s,2026/12/08 10:00:03,three\r\n");
  EXPECT_EQ(ticks(6), 3);
  EXPECT_EQ(grid.cell(3, 3), "three");
  {
    testing::FileFault unlisted{testing::FileFault::Kind::Fail, 1, EIO};
    testing::FileFaultPlan plan(unlisted);
    receiver.poll();
  }
  EXPECT_EQ(ticks(6), 3);
  stuck = false;
  ticks(1);
  EXPECT_FALSE(waiting("a.txt"));
  EXPECT_EQ(ticks(2), 3);
  EXPECT_LE(ui.messages.size(), 3u);  // once for each content, not for each tick
}

TEST_F(ReceiverTest, NothingOutsideTheFolderIsReadOrDeleted) {
#ifdef _WIN32
  GTEST_SKIP() << "creating a symbolic link needs a privilege on Windows, which Wine lacks";
#endif
  dir.write("outside.txt", "+2782,s,2026/12/08 10:00:01,secret\r\n");
  fs::create_symlink(dir.file("outside.txt"), dir.file("Inbox/link.txt"));
  fs::create_directory(dir.file("Inbox/folder.txt"));
  drop(".hidden.txt", "+2783,s,2026/12/08 10:00:02,hidden\r\n");
  for (int tick = 0; tick < 4; ++tick) receiver.poll();
  EXPECT_EQ(receiver.counter(), 0);
  EXPECT_TRUE(fs::exists(dir.file("outside.txt")));
  EXPECT_TRUE(fs::is_symlink(dir.file("Inbox/link.txt")));

  // No folder set: said once, and the start-up folder is not read instead.
  session.settings.incoming_folder.clear();
  for (int tick = 0; tick < 4; ++tick) receiver.poll();
  EXPECT_EQ(ui.messages, std::vector<std::string>{kNoIncomingFolder});
  EXPECT_TRUE(fs::exists(dir.file("outside.txt")));
}

TEST_F(ReceiverTest, TheNewestMessageStaysInViewOnlyWhileScrollingIsOn) {
  std::string lines;
  for (int i = 0; i < 12; ++i)
    lines += "+2782,s,2026/12/08 10:00:00,m" + std::to_string(i) + "\r\n";
  drop("a.txt", lines);
  receiver.poll();
  const auto tick = receiver.poll();
  // The last message went into row 12 of 13 rows: the top row is 13 - 8.
  ASSERT_TRUE(tick.top_row);
  EXPECT_EQ(*tick.top_row, 13 - 8);
  session.scroll_to_newest = false;
  drop("b.txt", lines);
  receiver.poll();
  EXPECT_FALSE(receiver.poll().top_row);
}

}  // namespace
}  // namespace tarvex::incoming
