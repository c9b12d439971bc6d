#include "eeprom/simulated_programmer.h"

#include <gtest/gtest.h>

#include "eeprom/uart.h"
#include "platform/virtual_scheduler.h"
#include "support/scripted_ui.h"

namespace tarvex::eeprom {
namespace {

constexpr std::uint8_t T = 0x01;

struct Link {
  explicit Link(ProgrammerModel model) : programmer(scheduler, model) { uart.SetActive(true); }

  // The acknowledging exchanges.
  bool detect() {
    uart.WriteByte(0x05);
    return uart.WaitForByte(0x06, 500);
  }
  bool write_record(std::uint8_t c, std::uint16_t address, const std::string& text) {
    uart.WriteByte(c);
    uart.WriteByte(static_cast<std::uint8_t>(address >> 8));
    uart.WriteByte(static_cast<std::uint8_t>(address & 0xFF));
    uart.WriteString(text + std::string(1, static_cast<char>(T)), 500);
    return uart.WaitForByte(0x06, 1000);
  }
  std::string read_record(std::uint8_t r, std::uint16_t address, int silence_ms = 1500) {
    for (std::uint8_t b :
         {r, static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address & 0xFF), T})
      uart.WriteByte(b);
    return uart.ReadUntil(T, silence_ms);
  }

  // The line-signalling exchanges, with their RTS framing.
  void framed_write(std::uint8_t c, std::uint16_t address, const std::string& text) {
    uart.SetRTS(true);
    scheduler.sleep_ms(1);
    uart.WriteByte(c);
    uart.SetRTS(true);
    scheduler.sleep_ms(1);
    uart.WriteByte(static_cast<std::uint8_t>(address >> 8));
    scheduler.sleep_ms(1);
    uart.SetRTS(true);
    uart.WriteByte(static_cast<std::uint8_t>(address & 0xFF));
    uart.SetRTS(false);
    scheduler.sleep_ms(1);
    uart.WriteString(text + std::string(1, static_cast<char>(T)), 2000);
  }
  std::string framed_read(std::uint8_t r, std::uint16_t address) {
    uart.SetRTS(true);
    scheduler.sleep_ms(1);
    uart.WriteByte(r);
    uart.SetRTS(true);
    scheduler.sleep_ms(1);
    uart.WriteByte(static_cast<std::uint8_t>(address >> 8));
    scheduler.sleep_ms(1);
    uart.SetRTS(true);
    uart.WriteByte(static_cast<std::uint8_t>(address & 0xFF));
    scheduler.sleep_ms(1);
    uart.WriteByte(T);
    uart.SetRTS(false);
    return uart.ReadUntil(T, 1000);
  }
  // Watches CTS every 2 ms for a while: how long it was on.
  int cts_on_ms(int watch_ms) {
    int on = 0;
    for (int t = 0; t < watch_ms; t += 2) {
      if (uart.CTSState()) on += 2;
      scheduler.advance(2);
    }
    return on;
  }

  platform::VirtualScheduler scheduler;
  testing::ScriptedUi ui;
  SimulatedProgrammer programmer;
  TUart uart{programmer, scheduler, ui};
};

std::string stored(const std::string& text) {
  return text + std::string(1, static_cast<char>(T));
}

TEST(AcknowledgingProgrammer, AnswersEnquiryWritesAndReads) {
  Link link(ProgrammerModel::Acknowledging);
  EXPECT_TRUE(link.detect());
  EXPECT_TRUE(link.write_record(2, 0x0140, "10100000Hello"));
  EXPECT_EQ(link.programmer.stored_text(EepromChip::C24FC256, 0x0140, T), stored("10100000Hello"));
  EXPECT_EQ(link.read_record(4, 0x0140), stored("10100000Hello"));

  // An address byte equal to ENQ is part of the record, not an enquiry.
  EXPECT_TRUE(link.write_record(6, 0x0505, "X"));
  EXPECT_EQ(link.programmer.enquiries(), 1);
  EXPECT_EQ(link.read_record(7, 0x0505), stored("X"));

  const auto& records = link.programmer.records();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_TRUE(records[0].write);
  EXPECT_EQ(records[0].command, 2);
  EXPECT_EQ(records[0].address, 0x0140);
  EXPECT_EQ(records[0].data, stored("10100000Hello"));
  EXPECT_FALSE(records[1].write);
  EXPECT_EQ(records[1].command, 4);
  EXPECT_EQ(link.programmer.acks_sent(), 3);
  EXPECT_TRUE(link.ui.messages.empty());
}

TEST(AcknowledgingProgrammer, EachChipHasItsOwnImageOfItsSize) {
  Link link(ProgrammerModel::Acknowledging);
  EXPECT_EQ(link.programmer.image(EepromChip::C24LC16B).size(), 2048u);
  EXPECT_EQ(link.programmer.image(EepromChip::C24FC256).size(), 32768u);
  EXPECT_EQ(link.programmer.image(EepromChip::C24FC512).size(), 65536u);
  EXPECT_TRUE(link.write_record(1, 0x0840, "small"));  // wraps round the 2 KiB chip
  EXPECT_EQ(link.programmer.stored_text(EepromChip::C24LC16B, 0x0040, T), stored("small"));
  EXPECT_EQ(link.read_record(3, 0x0040), stored("small"));
  // The same address of another chip is still erased: no terminator, no answer.
  EXPECT_EQ(link.read_record(4, 0x0040, 500), "");
  EXPECT_TRUE(link.write_record(6, 0xFFF0, "top"));
  EXPECT_EQ(link.read_record(7, 0xFFF0), stored("top"));
}

TEST(AcknowledgingProgrammer, FaultsDropAnAckCorruptAReadAndGoSilent) {
  Link link(ProgrammerModel::Acknowledging);
  link.programmer.faults.drop_ack = 2;
  EXPECT_TRUE(link.write_record(2, 0x0000, "one"));
  EXPECT_FALSE(link.write_record(2, 0x0040, "two"));
  EXPECT_TRUE(link.write_record(2, 0x0040, "two"));
  // The record without its ACK was still written.
  EXPECT_EQ(link.programmer.records().size(), 3u);

  // A programmer that answers the enquiry but never acknowledges a record
  // again: the records still arrive and are written.
  link.programmer.faults.drop_ack = 4;
  link.programmer.faults.drop_ack_count = -1;
  for (int attempt = 0; attempt < 6; ++attempt) EXPECT_FALSE(link.write_record(2, 0x0060, "again"));
  EXPECT_TRUE(link.detect());
  EXPECT_EQ(link.programmer.records().size(), 9u);
  // Two in a row, then acknowledged again.
  link.programmer.faults.drop_ack = 10;
  link.programmer.faults.drop_ack_count = 2;
  EXPECT_FALSE(link.write_record(2, 0x0060, "again"));
  EXPECT_FALSE(link.write_record(2, 0x0060, "again"));
  EXPECT_TRUE(link.write_record(2, 0x0060, "again"));
  link.programmer.faults.drop_ack = 0;

  link.programmer.faults.corrupt_next_read = true;
  const std::string first = link.read_record(4, 0x0000);
  EXPECT_NE(first, stored("one"));
  EXPECT_EQ(first.size(), stored("one").size());
  EXPECT_EQ(link.read_record(4, 0x0000), stored("one"));

  link.programmer.faults.never_answer = true;
  EXPECT_FALSE(link.detect());
  EXPECT_FALSE(link.write_record(2, 0x0080, "three"));
  EXPECT_EQ(link.programmer.stored_text(EepromChip::C24FC256, 0x0080, T), "");
}

TEST(AcknowledgingProgrammer, ImageOutlivesClosingThePort) {
  Link link(ProgrammerModel::Acknowledging);
  EXPECT_TRUE(link.write_record(2, 0x0100, "kept"));
  link.uart.SetActive(false);
  link.uart.SetActive(true);
  EXPECT_EQ(link.programmer.open_count(), 2);
  EXPECT_EQ(link.read_record(4, 0x0100), stored("kept"));
}

TEST(LineSignallingProgrammer, IgnoresEnquiryAndPulsesCtsAfterAFramedWrite) {
  Link link(ProgrammerModel::LineSignalling);
  EXPECT_FALSE(link.detect());
  EXPECT_EQ(link.programmer.enquiries(), 0);

  link.framed_write(2, 0x0040, "10000000Zone");
  EXPECT_EQ(link.uart.InQueueCount(), 0);  // no acknowledgement
  const int on = link.cts_on_ms(200);
  EXPECT_GE(on, 4);
  EXPECT_LE(on, 20);
  EXPECT_FALSE(link.uart.CTSState());
  EXPECT_EQ(link.programmer.stored_text(EepromChip::C24FC256, 0x0040, T), stored("10000000Zone"));
  EXPECT_EQ(link.framed_read(4, 0x0040), stored("10000000Zone"));
}

TEST(LineSignallingProgrammer, HeadersOutsideAnRtsFrameAreIgnored) {
  Link link(ProgrammerModel::LineSignalling);
  // The acknowledging model's record, without RTS: nothing is written.
  EXPECT_FALSE(link.write_record(2, 0x0040, "lost"));
  EXPECT_EQ(link.cts_on_ms(100), 0);
  EXPECT_TRUE(link.programmer.records().empty());
  EXPECT_EQ(link.framed_read(4, 0x0040), "");
}

TEST(LineSignallingProgrammer, CtsFaults) {
  Link link(ProgrammerModel::LineSignalling);
  link.programmer.faults.keep_cts_on = true;
  EXPECT_EQ(link.cts_on_ms(100), 100);
  link.programmer.faults.keep_cts_on = false;
  link.programmer.faults.never_answer = true;
  link.framed_write(2, 0x0000, "x");
  EXPECT_EQ(link.cts_on_ms(200), 0);
  EXPECT_TRUE(link.programmer.records().empty());
  // Silent, but what it was sent still shows, with the header inside RTS.
  const auto& got = link.programmer.received();
  ASSERT_EQ(got.size(), 5u);
  EXPECT_EQ(got[0].byte, 2);
  EXPECT_TRUE(got[0].rts && got[1].rts && got[2].rts);
  EXPECT_EQ(got[3].byte, 'x');
  EXPECT_FALSE(got[3].rts || got[4].rts);

  // A pulse on demand, for a read-back that did not match.
  link.programmer.pulse_cts(6);
  EXPECT_EQ(link.cts_on_ms(50), 6);
}

}  // namespace
}  // namespace tarvex::eeprom
