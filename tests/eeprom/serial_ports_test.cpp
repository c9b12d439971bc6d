#include "eeprom/serial_ports.h"

#include <gtest/gtest.h>

#include "app/session.h"
#include "eeprom/com_port_setup.h"
#include "eeprom/uart.h"
#include "platform/text_file.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"
#include "support/temp_folder.h"

namespace tarvex::eeprom {
namespace {

using Kind = PortTarget::Kind;

// Where a port without a line of its own leads: the real port on Windows.
std::string unmapped(int n) {
#ifdef _WIN32
  return "COM" + std::to_string(n);
#else
  return "/dev/ttyS" + std::to_string(n - 1);
#endif
}

TEST(PortsIni, MapsLinesToDevicesAndSimulators) {
  testing::TempFolder dir;
  EXPECT_EQ(port_target(dir.path(), "COM1").path, unmapped(1));
  EXPECT_EQ(port_target(dir.path(), "COM8").path, unmapped(8));

  dir.write("Ports.ini",
            "simulator:acknowledging\r\n/dev/ttyUSB0\r\n  \r\nsimulator:line-signalling \r\n"
            "simulator:other\r\n");
  EXPECT_EQ(port_target(dir.path(), "COM1").kind, Kind::Acknowledging);
  const PortTarget usb = port_target(dir.path(), "COM2");
  EXPECT_EQ(usb.kind, Kind::Device);
  EXPECT_EQ(usb.path, "/dev/ttyUSB0");
  EXPECT_EQ(port_target(dir.path(), "COM3").path, unmapped(3));  // blank line
  EXPECT_EQ(port_target(dir.path(), "COM4").kind, Kind::LineSignalling);
  EXPECT_EQ(port_target(dir.path(), "COM5").kind, Kind::Unknown);
  EXPECT_EQ(port_target(dir.path(), "COM6").path, unmapped(6));  // past the end
  EXPECT_EQ(port_target(dir.path(), "/dev/pts/7").path, "/dev/pts/7");
}

// A device backend that only records the path it was asked for.
class RecordingDevice final : public platform::SerialBackend {
 public:
  explicit RecordingDevice(std::vector<std::string>& paths) : paths_(paths) {}
  bool open(const std::string& name) override {
    paths_.push_back(name);
    return false;
  }
  void close() override {}
  bool is_open() const override { return false; }
  bool get_settings(platform::LineSettings&) override { return false; }
  bool set_settings(const platform::LineSettings&) override { return false; }
  void set_queue_sizes(int, int) override {}
  platform::QueueCounts queue_counts() override { return {}; }
  bool read_byte(std::uint8_t&) override { return false; }
  int write(const std::uint8_t*, int) override { return -1; }
  bool set_rts(bool) override { return false; }
  bool set_dtr(bool) override { return false; }
  unsigned modem_status() override { return 0; }
  void purge() override {}

 private:
  std::vector<std::string>& paths_;
};

TEST(PortRouter, OpensTheSimulatorOrTheDeviceThatPortsIniNames) {
  testing::TempFolder dir;
  dir.write("Ports.ini", "simulator:acknowledging\r\n/dev/ttyUSB3\r\nsimulator:nothing\r\n");
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  std::vector<std::string> device_paths;
  PortRouter router(dir.path(), scheduler,
                    [&] { return std::make_unique<RecordingDevice>(device_paths); });
  TUart uart(router, scheduler, ui);

  uart.SetActive(true);
  ASSERT_TRUE(uart.Active());
  EXPECT_EQ(router.current(), &router.simulator(ProgrammerModel::Acknowledging));
  uart.WriteByte(0x05);
  EXPECT_TRUE(uart.WaitForByte(0x06, 500));

  uart.SetPort(2);
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(device_paths, std::vector<std::string>{"/dev/ttyUSB3"});
  uart.SetPort(3);
  uart.SetActive(true);
  EXPECT_FALSE(uart.Active());
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1],
            "COM3 failed to open. The Port may be in use be another application or it does not "
            "exist.");

  // The simulator keeps its image between runs.
  uart.SetPort(1);
  uart.SetActive(true);
  EXPECT_EQ(router.simulator(ProgrammerModel::Acknowledging).open_count(), 2);
}

// The program watches CTS every 2 ms between repaints: the routed simulator's
// write cycle must outlast a busy moment of the user-interface thread.
TEST(PortRouter, RoutedLineSignallingSimulatorHoldsCtsForTensOfMilliseconds) {
  testing::TempFolder dir;
  dir.write("Ports.ini", "simulator:line-signalling\r\n");
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  PortRouter router(dir.path(), scheduler, nullptr);
  TUart uart(router, scheduler, ui);
  uart.SetActive(true);
  ASSERT_TRUE(uart.Active());
  for (std::uint8_t b : {2, 0x00, 0x40}) {
    uart.SetRTS(true);
    uart.WriteByte(b);
  }
  uart.SetRTS(false);
  uart.WriteString("Zone\x01", 2000);
  int on_ms = 0;
  for (int t = 0; t < 400; t += 2, scheduler.advance(2))
    if (uart.CTSState()) on_ms += 2;
  EXPECT_GE(on_ms, 30);
  EXPECT_LT(on_ms, 300);  // well inside one 400 ms engine step
}

TEST(ComPortSetup, ButtonsApplyAndStoringLineSeven) {
  EXPECT_EQ(radio_button_for_port(1), 1);
  EXPECT_EQ(radio_button_for_port(8), 8);
  EXPECT_EQ(radio_button_for_port(0), 0);
  EXPECT_EQ(radio_button_for_port(9), 0);
  EXPECT_EQ(port_after_apply(3, 1), 3);
  EXPECT_EQ(port_after_apply(0, 12), 12);  // nothing marked: the port stays

  testing::TempFolder dir;
  testing::ScriptedUi ui;
  platform::VirtualScheduler scheduler;
  app::Session session(ui, scheduler, dir.path());
  dir.write("setup.txt", "Out\r\nDev\r\nIn\r\nme.exe\r\nlog.msg\r\nFun\r\n1\r\n");
  session.settings.com_port = 4;
  EXPECT_EQ(store_com_port(session), "EEPROM Prog Com Port: Com4");
  EXPECT_EQ(dir.read("setup.txt"),
            "Out\r\nDev\r\nIn\r\nme.exe\r\nlog.msg\r\nFun\r\n4\r\n\r\n\r\n\r\n\r\n\r\n");
  EXPECT_TRUE(ui.messages.empty());

  app::Session nowhere(ui, scheduler, dir.file("missing"));
  nowhere.settings.com_port = 6;
  EXPECT_EQ(store_com_port(nowhere), "EEPROM Prog Com Port: Com6");
  EXPECT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(nowhere.settings.com_port, 6);  // in effect although not stored
}

}  // namespace
}  // namespace tarvex::eeprom
