// The Windows serial backend under the serial component, on a real port:
// scripts/test-windows links a pseudo-terminal into the Wine prefix as a COM
// port and names it in TARVEX_ECHO_COM_PORT; a peer on the Linux side sends
// back every byte it receives. The modem lines are the simulator's to test.
#include <gtest/gtest.h>

#ifdef _WIN32

#include <cstdlib>
#include <memory>

#include "eeprom/serial_ports.h"
#include "eeprom/uart.h"
#include "platform/windows_serial_backend.h"
#include "support/real_time_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

TEST(WindowsSerialPort, BytesBothWaysAt9600EightNoneOne) {
  const char* port = std::getenv("TARVEX_ECHO_COM_PORT");
  if (!port || !*port)
    GTEST_SKIP() << "no echoing port: scripts/test-windows provides one under Wine";
  testing::TempFolder dir;
  testing::ScriptedUi ui;
  testing::RealTimeScheduler scheduler;
  dir.write(kPortsFile, std::string(port) + "\r\n");
  PortRouter router(dir.path(), scheduler,
                    [] { return std::make_unique<platform::WindowsSerialBackend>(); });
  TUart uart(router, scheduler, ui);
  uart.SetActive(true);
  ASSERT_TRUE(uart.Active()) << (ui.messages.empty() ? "" : ui.messages[0]);
  uart.SetRTS(true);
  uart.SetDTR(true);
  EXPECT_TRUE(ui.messages.empty()) << ui.messages[0];
  platform::LineSettings line;
  ASSERT_TRUE(router.get_settings(line));
  EXPECT_EQ(line.baud_rate, 9600);
  EXPECT_EQ(line.byte_size, 8);
  EXPECT_EQ(line.parity, 0);
  EXPECT_EQ(line.stop_bits, 0);

  EXPECT_TRUE(uart.WriteByte(0x05));
  EXPECT_TRUE(uart.WaitForByte(0x05, 5000));
  EXPECT_TRUE(uart.WriteString("HELLO\r", 5000));
  EXPECT_EQ(uart.ReadUntil('\r', 5000), "HELLO\r");
  // Every byte value, the flow-control characters among them, comes back.
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_TRUE(uart.WriteString(all, 5000));
  EXPECT_EQ(uart.ReadUntil(0xFF, 5000), all);

  // Nothing comes: the wait lasts its time and gives nothing.
  const std::int64_t start = scheduler.now_ms();
  EXPECT_EQ(uart.ReadUntil('\r', 300), "");
  EXPECT_GE(scheduler.now_ms() - start, 300);
  uart.SetActive(false);
  EXPECT_FALSE(router.is_open());
}

TEST(WindowsSerialPort, AMissingPortDoesNotOpenAndRefusesEveryCall) {
  platform::WindowsSerialBackend backend;
  EXPECT_FALSE(backend.open("COM199"));
  EXPECT_FALSE(backend.is_open());
  const std::uint8_t byte = 1;
  EXPECT_EQ(backend.write(&byte, 1), -1);
  platform::LineSettings line;
  EXPECT_FALSE(backend.get_settings(line));
  EXPECT_FALSE(backend.set_rts(true));
  EXPECT_EQ(backend.queue_counts().in, 0);
}

}  // namespace
}  // namespace tarvex::eeprom

#endif
