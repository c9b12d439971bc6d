// A whole programming run and read-back in real time over a pseudo-terminal
// pair, with an acknowledging programmer in a thread on the far end.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "device/device.h"
#include "eeprom/programming_run.h"
#include "eeprom/read_back.h"
#include "eeprom/serial_ports.h"
#include "eeprom/ui/port_router.h"
#include "qt/qt_scheduler.h"
#include "qt/qt_serial_backend.h"
#include "support/recording_programmer_view.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

constexpr std::uint8_t T = 0x01;

// The programmer: answers ENQ, stores write records (which end at the
// terminator) and answers read records, byte by byte as they come.
class PtyProgrammer {
 public:
  explicit PtyProgrammer(int fd) : fd_(fd), thread_([this] { serve(); }) {}
  ~PtyProgrammer() {
    stop_ = true;
    thread_.join();
  }
  std::map<int, std::string> memory() {
    std::lock_guard lock(mutex_);
    return memory_;
  }
  int writes() const { return writes_; }

 private:
  void send(const std::string& bytes) {
    for (std::size_t done = 0; done < bytes.size();) {
      const ssize_t n = ::write(fd_, bytes.data() + done, bytes.size() - done);
      if (n > 0)
        done += static_cast<std::size_t>(n);
      else
        usleep(1000);
    }
  }
  void serve() {
    std::string record;
    while (!stop_) {
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      char c;
      if (::read(fd_, &c, 1) != 1) continue;
      const auto b = static_cast<std::uint8_t>(c);
      if (record.empty() && b == 0x05) {
        send("\x06");
        continue;
      }
      record += c;
      const auto command = static_cast<std::uint8_t>(record[0]);
      const bool write = command == 1 || command == 2 || command == 6;
      if (record.size() < 4) continue;
      const int address =
          (static_cast<std::uint8_t>(record[1]) << 8) | static_cast<std::uint8_t>(record[2]);
      if (write && b == T) {
        std::lock_guard lock(mutex_);
        memory_[address] = record.substr(3);
        ++writes_;
        send("\x06");
      } else if (!write) {
        std::string stored;
        {
          std::lock_guard lock(mutex_);
          stored = memory_[address];
        }
        send(stored);
      } else {
        continue;
      }
      record.clear();
    }
  }

  int fd_;
  std::atomic<bool> stop_{false};
  std::atomic<int> writes_{0};
  std::mutex mutex_;
  std::map<int, std::string> memory_;
  std::thread thread_;
};

struct Progress final : ReadProgressView {
  void show_progress(int) override {}
  void set_position(int) override {}
  void close_progress() override {}
};

TEST(PtyProgrammingRun, ProgramsVerifiesAndReadsBackInRealTime) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  testing::TempFolder dir;
  dir.write("Ports.ini", std::string(name) + "\r\n");
  dir.write("EEPROM Devices/Gate.dtp",
            "24FC256\r\n\x01\r\n$0000\r\n1\r\n$0040\r\n2\r\n$0080\r\n3\r\n");
  testing::ScriptedUi ui;
  qt::QtScheduler scheduler;
  auto ports = eeprom::make_port_router(dir.path(), scheduler);
  platform::StringGrid table(6, 4);
  table.set_row_cells(1, {"a", "1", "30", "10100000", "First", "Selected"});
  table.set_row_cells(2, {"b", "2", "30", "", "Second message", "Selected"});
  table.set_row_cells(3, {"c", "3", "30", "01010101", "Third", "Selected"});
  {
    PtyProgrammer programmer(master);
    ProgrammingRun run(*ports, scheduler, ui, dir.path());
    testing::RecordingProgrammerView view(run, scheduler);
    ASSERT_TRUE(run.load_rows(table, "Gate"));
    run.FormActivate();
    QElapsedTimer clock;
    clock.start();
    while (view.closes == 0 && clock.elapsed() < 60000) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
      usleep(1000);
    }
    ASSERT_EQ(view.closes, 1) << "the run did not end within a minute";
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
    EXPECT_EQ(run.model(), ProgrammingRun::Model::Acknowledging);
    for (int k = 1; k <= 3; ++k) EXPECT_EQ(run.StringGrid1().cell(kColProgress, k), "Verified");
    EXPECT_EQ(programmer.writes(), 3);
    EXPECT_EQ(programmer.memory()[0x40], "Second message\x01");

    for (int r = 1; r <= 3; ++r) table.set_row_cells(r, {"x", table.cell(1, r), "30", "", "", ""});
    ReadBack read_back(run.Uart1(), scheduler, ui);
    platform::StringGrid codes(2, 1);
    ReadBackTarget target{table, codes, [](bool) {}, [](int) {}};
    Progress progress;
    read_back.run(target, "Gate", dir.path(), 1, progress);
    EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
  }
  EXPECT_EQ(table.row_cells(1),
            (std::vector<std::string>{"x", "1", "30", "10100000", "First", "Loaded"}));
  EXPECT_EQ(table.cell(device::kColText, 2), "Second message");
  EXPECT_EQ(table.cell(device::kColFlags, 3), "01010101");
  close(master);
  close(slave);
}

}  // namespace
}  // namespace tarvex::eeprom
