// The QSerialPort backend over a pseudo-terminal pair: real bytes, real time.
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "eeprom/serial_ports.h"
#include "eeprom/uart.h"
#include "eeprom/ui/port_router.h"
#include "qt/qt_scheduler.h"
#include "qt/qt_serial_backend.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::qt {
namespace {

struct PtyPair : ::testing::Test {
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    slave_path = name;
    dir.write("Ports.ini", slave_path + "\r\n");
    router = eeprom::make_port_router(dir.path(), scheduler);
    uart = std::make_unique<eeprom::TUart>(*router, scheduler, ui);
  }
  void TearDown() override {
    uart.reset();
    router.reset();
    close(master);
    close(slave);
  }
  void send(const std::string& bytes) {
    ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // What the far end received, waiting up to 5 s for count bytes.
  std::string receive(std::size_t count) {
    std::string got;
    QElapsedTimer clock;
    clock.start();
    while (got.size() < count && clock.elapsed() < 5000) {
      char buffer[256];
      const ssize_t n = ::read(master, buffer, sizeof buffer);
      if (n > 0)
        got.append(buffer, static_cast<std::size_t>(n));
      else
        usleep(2000);
    }
    return got;
  }

  int master = -1, slave = -1;
  std::string slave_path;
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  QtScheduler scheduler;
  std::unique_ptr<eeprom::PortRouter> router;
  std::unique_ptr<eeprom::TUart> uart;
};

TEST_F(PtyPair, BytesBothWaysWithRealTimeOuts) {
  uart->SetActive(true);
  ASSERT_TRUE(uart->Active()) << (ui.messages.empty() ? "" : ui.messages[0]);
  // The pseudo-terminal has no modem lines; that is no error.
  uart->SetRTS(true);
  uart->SetDTR(true);
  EXPECT_FALSE(uart->CTSState());
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];

  EXPECT_TRUE(uart->WriteByte(0x05));
  EXPECT_TRUE(uart->WriteString("HELLO\r", 500));
  EXPECT_EQ(receive(7), "\x05HELLO\r");

  send("OK\r");
  EXPECT_EQ(uart->ReadUntil('\r', 2000), "OK\r");

  send("\x15\x06");
  EXPECT_TRUE(uart->WaitForByte(0x06, 2000));

  QElapsedTimer clock;
  clock.start();
  send("OK");
  EXPECT_EQ(uart->ReadUntil('\r', 300), "");
  EXPECT_GE(clock.elapsed(), 300);

  clock.restart();
  EXPECT_FALSE(uart->WaitForByte(0x06, 300));
  EXPECT_GE(clock.elapsed(), 300);
  EXPECT_LT(clock.elapsed(), 10000);
}

TEST_F(PtyPair, MissingDeviceIsErrorOne) {
  dir.write("Ports.ini", "/dev/does-not-exist-tarvex\r\n");
  uart->SetActive(true);
  EXPECT_FALSE(uart->Active());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "COM1 failed to open. The Port may be in use be another application or it does not "
            "exist.");
}

TEST_F(PtyPair, SimulatorNamedInPortsIniAnswersOnRealTime) {
  dir.write("Ports.ini", "simulator:acknowledging\r\n");
  uart->SetActive(true);
  ASSERT_TRUE(uart->Active());
  uart->WriteByte(0x05);
  EXPECT_TRUE(uart->WaitForByte(0x06, 2000));
  for (std::uint8_t b : {2, 0x00, 0x40}) uart->WriteByte(b);
  uart->WriteString("Hello\x01", 500);
  EXPECT_TRUE(uart->WaitForByte(0x06, 2000));
  for (std::uint8_t b : {4, 0x00, 0x40, 0x01}) uart->WriteByte(b);
  EXPECT_EQ(uart->ReadUntil(0x01, 2000), "Hello\x01");
}

}  // namespace
}  // namespace tarvex::qt
