#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "platform/serial_backend.h"

namespace tarvex::platform {
class Scheduler;
}

namespace tarvex::eeprom {

enum class ProgrammerModel {
  // Answers ENQ with ACK and acknowledges every written record.
  Acknowledging,
  // Gives no answers to ENQ or writes; takes headers framed by RTS and shows
  // each write cycle by raising CTS for a few milliseconds.
  LineSignalling,
};

enum class EepromChip { C24LC16B, C24FC256, C24FC512 };

// A stand-in for the EEPROM programmer on the serial line, for the tests and
// the demo. It keeps one EEPROM image per chip type and answers the records
// of its model. Time comes from the Scheduler, so on virtual time a write
// cycle or a late answer costs nothing real.
//
// A record starts with a command byte: 1, 2 or 6 writes (24LC16B, 24FC256,
// 24FC512), 3, 4 or 7 reads. A write carries the address high and low bytes
// and then its data; the data ends when the line has been quiet for
// record_gap_ms. A read carries the address bytes and the terminator and is
// answered with the stored bytes up to and including the first terminator.
class SimulatedProgrammer final : public platform::SerialBackend {
 public:
  static constexpr std::uint8_t kEnq = 0x05;
  static constexpr std::uint8_t kAck = 0x06;
  static constexpr int kCtsPulseMs = 5;  // how long a pulse of pulse_cts_every_ms lasts

  SimulatedProgrammer(platform::Scheduler& scheduler, ProgrammerModel model);

  // Faults that tests switch on.
  struct Faults {
    bool never_answer = false;       // takes no notice of anything sent
    int drop_ack = 0;                // the Nth write acknowledgement (from 1) is not sent
    int drop_ack_count = 1;          // ... nor the ones after it up to this many; -1: none again
    bool corrupt_next_read = false;  // the next read answer has one byte changed
    bool keep_cts_on = false;        // CTS stays on as if always busy
    int pulse_cts_every_ms = 0;      // CTS comes on for a few ms in every such period
    int late_ack_ms = 0;             // write acknowledgements come this much later
  };
  Faults faults;

  // Timing, in milliseconds.
  int answer_delay_ms = 2;
  int record_gap_ms = 30;
  int write_cycle_ms = 10;
  int byte_time_ms = 1;  // between the bytes of an answer
  // The line speed towards the programmer: 0 takes every byte at once;
  // otherwise a byte (10 bits) reaches the programmer one byte time after the
  // one before, and until then it counts as waiting to be sent.
  int baud_rate = 0;

  // What arrived, for tests to check.
  struct Record {
    bool write = false;
    std::uint8_t command = 0;
    std::uint16_t address = 0;
    std::string data;  // written bytes, or the terminator of a read
    std::int64_t at_ms = 0;
    std::string answer;  // what a read was answered with (empty: silence)
  };
  const std::vector<Record>& records() const { return records_; }
  // Every byte written to the port, with the RTS line at that moment, kept
  // whatever the faults: a silent programmer still shows what it was sent.
  struct Received {
    std::uint8_t byte = 0;
    bool rts = false;
    std::int64_t at_ms = 0;
  };
  const std::vector<Received>& received() const { return received_; }
  // Raises CTS for ms from now, as after a write cycle. The line-signalling
  // engine re-reads a mismatched row only after such a pulse.
  void pulse_cts(int ms);
  int enquiries() const { return enquiries_; }
  int acks_sent() const { return acks_sent_; }
  int open_count() const { return open_count_; }
  bool rts() const { return rts_; }
  bool dtr() const { return dtr_; }
  const platform::LineSettings& settings() const { return settings_; }
  ProgrammerModel model() const { return model_; }

  static std::size_t chip_size(EepromChip chip);
  std::vector<std::uint8_t>& image(EepromChip chip) { return images_[static_cast<int>(chip)]; }
  // The stored bytes from address up to and including the first terminator;
  // empty when there is none before the end of the chip.
  std::string stored_text(EepromChip chip, std::uint16_t address, std::uint8_t terminator) const;
  void store(EepromChip chip, std::uint16_t address, const std::string& bytes);

  // SerialBackend
  bool open(const std::string& name) override;
  void close() override;
  bool is_open() const override { return open_; }
  bool get_settings(platform::LineSettings& settings) override;
  bool set_settings(const platform::LineSettings& settings) override;
  void set_queue_sizes(int, int) override {}
  platform::QueueCounts queue_counts() override;
  bool read_byte(std::uint8_t& byte) override;
  int write(const std::uint8_t* data, int count) override;
  bool set_rts(bool on) override;
  bool set_dtr(bool on) override;
  unsigned modem_status() override;
  void purge() override;

 private:
  enum class State { Idle, WriteHeader, WriteData, ReadHeader };

  void update();
  void receive(std::uint8_t byte);
  void commit_write(std::int64_t at);
  void answer_read();
  void send(const std::string& bytes, std::int64_t at);
  void reset_record();
  static bool chip_of(std::uint8_t command, EepromChip& chip);

  platform::Scheduler& scheduler_;
  ProgrammerModel model_;
  std::array<std::vector<std::uint8_t>, 3> images_;
  platform::LineSettings settings_;
  bool open_ = false;
  bool rts_ = false;
  bool dtr_ = false;
  int open_count_ = 0;

  State state_ = State::Idle;
  std::uint8_t command_ = 0;
  std::string header_;  // the bytes after the command byte
  std::string data_;
  std::int64_t last_rx_ms_ = 0;
  std::int64_t line_free_us_ = 0;  // when the last byte written has arrived
  std::int64_t arrival_ms_ = 0;    // when the byte being taken arrives

  struct Pending {
    std::int64_t ready_ms;
    std::uint8_t byte;
  };
  std::deque<Pending> out_;
  std::int64_t cts_from_ms_ = 0;
  std::int64_t cts_until_ms_ = 0;

  std::vector<Record> records_;
  std::vector<Received> received_;
  int enquiries_ = 0;
  int acks_sent_ = 0;
  int write_acks_ = 0;
};

}  // namespace tarvex::eeprom
