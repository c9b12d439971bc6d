#include "eeprom/uart.h"

#include <gtest/gtest.h>

#include <deque>

#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"

namespace tarvex::eeprom {
namespace {

// A port whose incoming bytes arrive at given virtual times and whose every
// call can be made to fail.
class FakePort final : public platform::SerialBackend {
 public:
  explicit FakePort(platform::Scheduler& scheduler) : scheduler_(scheduler) {}

  void arrive(std::int64_t at_ms, const std::string& bytes) {
    for (char c : bytes) incoming.push_back({at_ms, static_cast<std::uint8_t>(c)});
  }

  bool open(const std::string& name) override {
    opened.push_back(name);
    if (refuse_open) return false;
    is_open_ = true;
    return true;
  }
  void close() override {
    is_open_ = false;
    ++closes;
  }
  bool is_open() const override { return is_open_; }
  bool get_settings(platform::LineSettings& s) override {
    s = applied;
    return !fail_get;
  }
  bool set_settings(const platform::LineSettings& s) override {
    ++settings_calls;
    applied = s;
    return !fail_set;
  }
  void set_queue_sizes(int rx, int tx) override { queue_sizes = {rx, tx}; }
  platform::QueueCounts queue_counts() override {
    platform::QueueCounts c;
    for (const auto& b : incoming)
      if (b.first <= scheduler_.now_ms()) ++c.in;
    c.out = out_queue;
    return c;
  }
  bool read_byte(std::uint8_t& byte) override {
    if (incoming.empty() || incoming.front().first > scheduler_.now_ms()) return false;
    byte = incoming.front().second;
    incoming.pop_front();
    return true;
  }
  int write(const std::uint8_t* data, int count) override {
    if (fail_write) return -1;
    const int taken = accept_limit < 0 ? count : std::min(count, accept_limit);
    written.append(reinterpret_cast<const char*>(data), taken);
    ++writes;
    return taken;
  }
  bool set_rts(bool on) override {
    rts = on;
    return !fail_lines;
  }
  bool set_dtr(bool on) override {
    dtr = on;
    return !fail_lines;
  }
  unsigned modem_status() override { return modem; }
  void purge() override { ++purges; }

  std::deque<std::pair<std::int64_t, std::uint8_t>> incoming;
  std::vector<std::string> opened;
  std::string written;
  platform::LineSettings applied;
  std::pair<int, int> queue_sizes{0, 0};
  bool refuse_open = false, fail_get = false, fail_set = false, fail_write = false,
       fail_lines = false;
  bool is_open_ = false, rts = false, dtr = false;
  int accept_limit = -1, out_queue = 0, settings_calls = 0, writes = 0, closes = 0, purges = 0;
  unsigned modem = 0;

 private:
  platform::Scheduler& scheduler_;
};

struct UartFixture : ::testing::Test {
  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  FakePort port{scheduler};
  TUart uart{port, scheduler, ui};
};

TEST_F(UartFixture, DefaultsAndLineSettingsOnOpen) {
  EXPECT_EQ(uart.Port(), 1);
  EXPECT_EQ(uart.Baudrate(), 9600);
  EXPECT_EQ(uart.Databits(), 8);
  EXPECT_EQ(uart.StopBits(), TStopBits::sbOne);
  EXPECT_EQ(uart.Parity(), TParity::pNone);
  EXPECT_EQ(uart.HandShaking(), THandShake::hsNone);
  EXPECT_FALSE(uart.DTR());
  EXPECT_FALSE(uart.RTS());
  EXPECT_FALSE(uart.AutoOpen());
  EXPECT_TRUE(uart.HandleErrors());
  EXPECT_EQ(uart.RxBufferSize(), 1024);
  EXPECT_EQ(uart.TxBufferSize(), 1024);
  EXPECT_EQ(uart.RxNotifylevel(), 0);
  EXPECT_EQ(uart.RxLogTriggerChars(), "");
  EXPECT_EQ(uart.RxLogBufferMaxSize(), 4096);
  EXPECT_FALSE(uart.Active());

  // Closed: nothing touches the port.
  EXPECT_EQ(uart.InQueueCount(), 0);
  EXPECT_FALSE(uart.CTSState());
  EXPECT_FALSE(uart.WriteString("x", 100));
  EXPECT_EQ(uart.ReadUntil('\r', 100), "");
  EXPECT_FALSE(uart.WaitForByte(6, 100));
  uart.SetBaudrate(4800);
  EXPECT_EQ(port.settings_calls, 0);

  uart.SetPort(3);
  uart.SetDatabits(3);  // ignored
  EXPECT_EQ(uart.Databits(), 8);
  uart.SetParity(TParity::pEven);
  uart.SetActive(true);
  EXPECT_TRUE(uart.Active());
  EXPECT_EQ(port.opened, std::vector<std::string>{"COM3"});
  EXPECT_EQ(port.applied.baud_rate, 4800);
  EXPECT_TRUE(port.applied.parity_check);
  EXPECT_EQ(port.applied.parity, 2);
  EXPECT_EQ(port.applied.byte_size, 8);
  EXPECT_TRUE(port.applied.binary);
  EXPECT_EQ(port.applied.dtr_control, platform::LineSettings::LineControl::Disable);
  EXPECT_EQ(port.queue_sizes, std::make_pair(1024, 1024));
  EXPECT_EQ(port.purges, 1);
  uart.SetActive(true);  // the same wish does nothing
  EXPECT_EQ(port.opened.size(), 1u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(UartFixture, HandshakeSettingsAndSetterRules) {
  uart.SetActive(true);
  const int calls = port.settings_calls;
  uart.SetBaudrate(9600);  // unchanged: not applied again
  EXPECT_EQ(port.settings_calls, calls);
  uart.SetHandShaking(THandShake::hsCtsRts);
  EXPECT_TRUE(port.applied.cts_output_flow);
  EXPECT_EQ(port.applied.rts_control, platform::LineSettings::LineControl::Handshake);
  uart.SetRTS(true);  // the handshake owns RTS now
  EXPECT_FALSE(port.rts);
  uart.SetDTR(true);
  EXPECT_TRUE(port.dtr);
  uart.SetHandShaking(THandShake::hsDtrDsr);
  EXPECT_TRUE(port.applied.dsr_output_flow);
  EXPECT_FALSE(port.applied.cts_output_flow);
  EXPECT_EQ(port.applied.dtr_control, platform::LineSettings::LineControl::Handshake);
  EXPECT_EQ(port.applied.rts_control, platform::LineSettings::LineControl::Enable);
  uart.SetHandShaking(THandShake::hsXOnXOff);
  EXPECT_TRUE(port.applied.xon_xoff_in && port.applied.xon_xoff_out);
  uart.SetStopBits(TStopBits::sbTwo);
  EXPECT_EQ(port.applied.stop_bits, 2);
  uart.SetRxBufferSize(2048);
  EXPECT_EQ(port.queue_sizes, std::make_pair(2048, 1024));
}

TEST_F(UartFixture, SettingPortReopensOnlyWhenOpen) {
  uart.SetPort(2);
  EXPECT_TRUE(port.opened.empty());
  EXPECT_FALSE(uart.Active());
  uart.SetActive(true);
  uart.SetPort(5);
  EXPECT_EQ(port.opened, (std::vector<std::string>{"COM2", "COM5"}));
  EXPECT_TRUE(uart.Active());
  EXPECT_EQ(port.closes, 1);
  uart.SetActive(false);
  EXPECT_FALSE(uart.Active());
  EXPECT_EQ(port.closes, 2);
}

TEST_F(UartFixture, ErrorsOneToFiveWithTheirTexts) {
  port.refuse_open = true;
  uart.SetPort(5);
  uart.SetActive(true);
  EXPECT_FALSE(uart.Active());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            "COM5 failed to open. The Port may be in use be another application or it does not "
            "exist.");

  port.refuse_open = false;
  port.fail_get = true;
  uart.Open();
  EXPECT_EQ(ui.messages.back(), "Error getting Comport State");
  port.fail_get = false;
  port.fail_set = true;
  uart.ApplyCommState();
  EXPECT_EQ(ui.messages.back(), "Error setting comms state");
  port.fail_lines = true;
  uart.SetDTR(true);
  EXPECT_EQ(ui.messages.back(), "Error setting DTR line.");
  uart.SetRTS(true);
  EXPECT_EQ(ui.messages.back(), "Error setting RTS line.");
  EXPECT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.beeps, 5);  // each box comes with the exclamation sound

  // With a handler the box is not shown.
  std::vector<std::pair<int, std::string>> errors;
  uart.OnError = [&](TUart&, int code, const std::string& text) { errors.push_back({code, text}); };
  uart.SetRTS(false);
  EXPECT_EQ(ui.messages.size(), 5u);
  EXPECT_EQ(ui.beeps, 5);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].first, 5);
}

TEST_F(UartFixture, ReadUntilReturnsThroughTerminatorOrEmptyAfterIdleTimeout) {
  uart.SetActive(true);
  port.arrive(10, "OK\r");
  EXPECT_EQ(uart.ReadUntil('\r', 500), "OK\r");

  // The time-out counts from the last byte: bytes 400 ms apart never expire
  // a 500 ms limit, and the text comes whole.
  const std::int64_t t0 = scheduler.now_ms();
  port.arrive(t0 + 400, "A");
  port.arrive(t0 + 800, "B");
  port.arrive(t0 + 1200, "\r");
  EXPECT_EQ(uart.ReadUntil('\r', 500), "AB\r");

  const std::int64_t t1 = scheduler.now_ms();
  port.arrive(t1, "OK");
  EXPECT_EQ(uart.ReadUntil('\r', 500), "");
  EXPECT_GE(scheduler.now_ms() - t1, 500);
  EXPECT_LE(scheduler.now_ms() - t1, 520);
}

// A line that chatters without ever sending the terminator (or the awaited
// byte) never falls silent; the waits end anyway, and the text does not grow
// without limit.
TEST_F(UartFixture, EndlessChatterEndsTheWaitsWithinTheirBounds) {
  uart.SetActive(true);
  port.arrive(0, std::string(3 * TUart::kReadUntilMaxBytes, 'x'));
  EXPECT_EQ(uart.ReadUntil('\r', 500), "");
  EXPECT_EQ(uart.InQueueCount(), 2 * TUart::kReadUntilMaxBytes);  // the rest is not taken

  port.incoming.clear();
  const std::int64_t t0 = scheduler.now_ms();
  for (int i = 0; i < 2000; ++i) port.arrive(t0 + 100 * i, "y");  // slow, never silent
  EXPECT_EQ(uart.ReadUntil('\r', 500), "");
  EXPECT_LE(scheduler.now_ms() - t0, TUart::kWaitLimitMs + 10);
  const std::int64_t t1 = scheduler.now_ms();
  EXPECT_FALSE(uart.WaitForByte(6, 500));
  EXPECT_LE(scheduler.now_ms() - t1, TUart::kWaitLimitMs + 10);
}

TEST_F(UartFixture, WaitForByteDropsOtherBytesAndTimesOut) {
  uart.SetActive(true);
  port.arrive(0, "\x15\x06rest");
  EXPECT_TRUE(uart.WaitForByte(6, 500));
  EXPECT_EQ(uart.InQueueCount(), 4);  // what came after the match stays

  port.incoming.clear();
  const std::int64_t t0 = scheduler.now_ms();
  port.arrive(t0 + 100, "\x15");
  EXPECT_FALSE(uart.WaitForByte(6, 500));
  // 500 ms of silence after the last byte.
  EXPECT_GE(scheduler.now_ms() - t0, 600);
  EXPECT_LE(scheduler.now_ms() - t0, 620);
}

TEST_F(UartFixture, WaitsPumpMessagesAndStopWhenThePortCloses) {
  uart.SetActive(true);
  int ticks = 0;
  auto timer = scheduler.create_timer(100);
  timer->set_handler([&] {
    if (++ticks == 3) uart.SetActive(false);  // like Esc in the middle of a wait
  });
  timer->set_enabled(true);
  EXPECT_FALSE(uart.WaitForByte(6, 1000));
  EXPECT_EQ(ticks, 3);
  EXPECT_LT(scheduler.now_ms(), 400);

  uart.SetActive(true);
  const std::int64_t before = scheduler.pump_count();
  uart.PauseAndPump(7);
  EXPECT_EQ(scheduler.pump_count(), before + 1);
}

TEST_F(UartFixture, WritesAcceptChunksAndReportFailures) {
  uart.SetActive(true);
  EXPECT_TRUE(uart.WriteString("HELLO", 500));
  EXPECT_EQ(port.written, "HELLO");
  EXPECT_TRUE(uart.WriteByte(0x05));
  EXPECT_EQ(port.written.back(), '\x05');

  // A driver that takes two bytes at a time gets the rest in later passes.
  port.written.clear();
  port.accept_limit = 2;
  EXPECT_TRUE(uart.WriteString("ABCDE", 500));
  EXPECT_EQ(port.written, "ABCDE");
  EXPECT_EQ(port.writes, 3 + 2);  // the two earlier writes and three chunks

  // A full transmit queue never empties: the buffer write gives up after its
  // time-out, the byte write after its own limit.
  port.accept_limit = -1;
  port.out_queue = 1024;
  EXPECT_FALSE(uart.WriteString("X", 300));
  EXPECT_GE(scheduler.now_ms(), 300);
  port.out_queue = 1;
  // The window stays alive while the byte write waits.
  const std::int64_t pumps = scheduler.pump_count();
  EXPECT_FALSE(uart.WriteByte('Y'));
  EXPECT_GE(scheduler.pump_count() - pumps, 100);
  port.out_queue = 0;
  port.fail_write = true;
  EXPECT_FALSE(uart.WriteByte('Z'));
  EXPECT_FALSE(uart.WriteString("Z", 100));
}

TEST_F(UartFixture, ReceiveLogWholeBytesOrCutAtTriggers) {
  uart.SetActive(true);
  std::vector<std::string> log;
  uart.OnReceiveLog = [&](TUart&, const std::string& s) { log.push_back(s); };
  port.arrive(0, "AB\r");
  uart.ReadUntil('\r', 100);
  EXPECT_EQ(log, (std::vector<std::string>{"A", "B", "\r"}));

  log.clear();
  uart.SetRxLogTriggerChars("\r\n");
  port.arrive(scheduler.now_ms(), "one\rtwo\nthree\r");
  uart.ReadUntil('e', 100);  // stops after "one"
  uart.ReadUntil('\r', 100);
  uart.ReadUntil('\r', 100);
  // Nothing reaches the handler until a trigger arrives; then the piece
  // up to and including it goes whole.
  EXPECT_EQ(log, (std::vector<std::string>{"one\r", "two\n", "three\r"}));

  log.clear();
  uart.SetRxLogBufferMaxSize(4);
  port.arrive(scheduler.now_ms(), "abcdefg\r");
  uart.ReadUntil('\r', 100);
  // The buffer passed its limit at "abcde" and was emptied.
  EXPECT_EQ(log, (std::vector<std::string>{"fg\r"}));
}

TEST_F(UartFixture, PollRaisesReceiveAndLineChangeUntilAReadPausesIt) {
  std::vector<int> received;
  std::vector<unsigned> lines;
  int opened = 0;
  uart.OnOpen = [&](TUart&) { ++opened; };
  uart.OnReceive = [&](TUart&, int n) { received.push_back(n); };
  uart.OnLineChange = [&](TUart&, unsigned s) { lines.push_back(s); };
  uart.SetRxNotifylevel(2);
  uart.SetActive(true);
  EXPECT_EQ(opened, 1);

  port.arrive(5, "A");
  scheduler.advance(10);
  EXPECT_TRUE(received.empty());  // below the notify level
  port.arrive(10, "B");
  scheduler.advance(1);
  ASSERT_FALSE(received.empty());
  EXPECT_EQ(received.back(), 2);

  port.modem = platform::kModemCtsOn;
  scheduler.advance(2);
  EXPECT_EQ(lines, std::vector<unsigned>{platform::kModemCtsOn});

  // A blocking read pauses the poll: no OnReceive while it runs.
  received.clear();
  port.arrive(scheduler.now_ms() + 20, "\r");
  EXPECT_EQ(uart.ReadUntil('\r', 100), "AB\r");
  EXPECT_TRUE(received.empty());
  uart.SetActive(false);
  port.modem = 0;
  scheduler.advance(10);
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(UartFixture, AutoOpenOpensWhenLoaded) {
  uart.Loaded();
  EXPECT_FALSE(uart.Active());
  uart.SetAutoOpen(true);
  uart.Loaded();
  EXPECT_TRUE(uart.Active());
}

}  // namespace
}  // namespace tarvex::eeprom
