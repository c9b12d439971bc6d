#include "app/event_log.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include <csignal>
#include <filesystem>

#include "app/user_codec.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::app {
namespace {

using testing::ScriptedUi;
using testing::TempFolder;

struct LogFixture {
  TempFolder dir;
  ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  Session session{ui, scheduler, dir.path()};
  LogFixture() { scheduler.set_start_time(2026, 3, 4, 9, 5, 7); }
  std::string log_path() const { return dir.file("prpl.dat"); }
};

TEST(EventLog, FirstEventCreatesTheFileLaterOnesAppendFourScrambledLines) {
  LogFixture f;
  write_log(f.session, "Opening File: a, \"b\": c");  // nobody logged in yet
  f.session.current_operator = "anna";
  f.scheduler.advance(2000);
  write_log(f.session, "anna Logging in");
  EXPECT_EQ(f.dir.read("prpl.dat"),
            "\r\n" + UserEncode("09:05:07") + "\r\n" + UserEncode("2026/03/04") + "\r\n" +
                UserEncode("Opening File: a, \"b\": c") + "\r\n" + UserEncode("anna") + "\r\n" +
                UserEncode("09:05:09") + "\r\n" + UserEncode("2026/03/04") + "\r\n" +
                UserEncode("anna Logging in") + "\r\n");

  const auto entries = read_event_log(f.log_path());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].user, "");
  EXPECT_EQ(entries[0].event, "Opening File: a, \"b\": c");
  EXPECT_EQ(entries[1].user, "anna");
  EXPECT_EQ(entries[1].time, "09:05:09");
  EXPECT_EQ(entries[1].date, "2026/03/04");
}

TEST(EventLog, IncompleteLastEntryReadsWithEmptyFields) {
  LogFixture f;
  f.dir.write("prpl.dat", UserEncode("u") + "\r\n" + UserEncode("t") + "\r\n" + UserEncode("d") +
                              "\r\n" + UserEncode("e") + "\r\n" + UserEncode("v") + "\r\n" +
                              UserEncode("12:00:00") + "\r\n");
  const auto entries = read_event_log(f.log_path());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].user, "v");
  EXPECT_EQ(entries[1].time, "12:00:00");
  EXPECT_EQ(entries[1].date, "");
  EXPECT_EQ(entries[1].event, "");
}

TEST(EventLog, LongEventsStayOnTheirLineSoLaterEntriesStayAligned) {
  LogFixture f;
  // 200 letters would shift "A" onto a line feed.
  const std::string command = "Function: " + std::string(190, 'A');
  write_log(f.session, command);
  write_log(f.session, "after");
  const auto entries = read_event_log(f.log_path());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].event.substr(0, command.size()), command);
  EXPECT_EQ(entries[0].event.find_first_not_of(' ', command.size()), std::string::npos);
  EXPECT_EQ(entries[1].event, "after");
}

#ifndef _WIN32
// Caps the size of files this process may write, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

TEST(EventLog, FailedAppendKeepsEarlierEntriesAndThrows) {
  LogFixture f;
  write_log(f.session, "first");
  const std::string before = f.dir.read("prpl.dat");
  {
    // Room for part of the next entry only.
    FileSizeLimit full(before.size() + 5);
    EXPECT_THROW(write_log(f.session, "second"), platform::FileError);
  }
  EXPECT_EQ(f.dir.read("prpl.dat"), before);
  write_log(f.session, "third");
  const auto entries = read_event_log(f.log_path());
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[1].event, "third");
}
#else
TEST(EventLog, FailedAppendKeepsEarlierEntriesAndThrows) {
  GTEST_SKIP() << "fills the disk with a per-process file size limit (setrlimit), which "
                  "Windows does not have";
}
#endif

TEST(EventLog, ClearLeavesExactlyOneEntry) {
  LogFixture f;
  f.session.current_operator = "Fendrust";
  write_log(f.session, "one");
  write_log(f.session, "two");
  clear_event_log(f.session);
  const auto entries = read_event_log(f.log_path());
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].user, "Fendrust");
  EXPECT_EQ(entries[0].event, "Event log cleared");
}

TEST(EventLogGrid, ShowsEntriesOldestFirstWithOneEmptyRowBelow) {
  LogFixture f;
  platform::StringGrid grid(4, 2);
  init_event_log_grid(grid);
  EXPECT_EQ(grid.row_cells(0),
            (std::vector<std::string>{"User", "Event Time", "Event Date", "Event"}));
  EXPECT_EQ(grid.column_width(3), 340);
  f.session.current_operator = "sam";
  write_log(f.session, "first");
  write_log(f.session, "second");
  load_event_log_grid(grid, f.log_path(), f.ui);
  ASSERT_EQ(grid.row_count(), 4);
  EXPECT_EQ(grid.row_cells(1),
            (std::vector<std::string>{"sam", "09:05:07", "2026/03/04", "first"}));
  EXPECT_EQ(grid.cell(3, 2), "second");
  EXPECT_EQ(grid.row_cells(3), std::vector<std::string>(4));
  EXPECT_TRUE(f.ui.messages.empty());

  // A missing log empties the grid and is reported.
  std::filesystem::remove(f.log_path());
  load_event_log_grid(grid, f.log_path(), f.ui);
  EXPECT_EQ(grid.row_count(), 2);
  EXPECT_EQ(grid.row_cells(1), std::vector<std::string>(4));
  EXPECT_EQ(f.ui.messages, std::vector<std::string>{"KV_Programmer can not find the log file!"});
}

}  // namespace
}  // namespace tarvex::app
