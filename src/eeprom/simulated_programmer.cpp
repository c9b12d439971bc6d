#include "eeprom/simulated_programmer.h"

#include <algorithm>

#include "platform/scheduler.h"

namespace tarvex::eeprom {

SimulatedProgrammer::SimulatedProgrammer(platform::Scheduler& scheduler, ProgrammerModel model)
    : scheduler_(scheduler), model_(model) {
  // A fresh chip reads as erased cells.
  for (int i = 0; i < 3; ++i) images_[i].assign(chip_size(static_cast<EepromChip>(i)), 0xFF);
}

std::size_t SimulatedProgrammer::chip_size(EepromChip chip) {
  switch (chip) {
    case EepromChip::C24LC16B:
      return 2 * 1024;
    case EepromChip::C24FC256:
      return 32 * 1024;
    case EepromChip::C24FC512:
      return 64 * 1024;
  }
  return 0;
}

bool SimulatedProgrammer::chip_of(std::uint8_t command, EepromChip& chip) {
  switch (command) {
    case 1:
    case 3:
      chip = EepromChip::C24LC16B;
      return true;
    case 2:
    case 4:
      chip = EepromChip::C24FC256;
      return true;
    case 6:
    case 7:
      chip = EepromChip::C24FC512;
      return true;
    default:
      return false;
  }
}

std::string SimulatedProgrammer::stored_text(EepromChip chip, std::uint16_t address,
                                             std::uint8_t terminator) const {
  const auto& cells = images_[static_cast<int>(chip)];
  std::string text;
  // Addresses beyond the chip wrap round, as the chips' own counters do.
  for (std::size_t i = address % cells.size(); i < cells.size(); ++i) {
    text += static_cast<char>(cells[i]);
    if (cells[i] == terminator) return text;
  }
  return {};
}

void SimulatedProgrammer::store(EepromChip chip, std::uint16_t address, const std::string& bytes) {
  auto& cells = images_[static_cast<int>(chip)];
  for (std::size_t i = 0; i < bytes.size(); ++i)
    cells[(address + i) % cells.size()] = static_cast<std::uint8_t>(bytes[i]);
}

bool SimulatedProgrammer::open(const std::string&) {
  if (open_) return false;  // exclusive, like a real port
  open_ = true;
  ++open_count_;
  reset_record();
  out_.clear();
  rts_ = dtr_ = false;
  return true;
}

void SimulatedProgrammer::close() {
  if (!open_) return;
  // Bytes already on the wire still reach the programmer.
  if (state_ == State::WriteData && !data_.empty()) commit_write(scheduler_.now_ms());
  reset_record();
  out_.clear();
  open_ = false;
  rts_ = dtr_ = false;
}

bool SimulatedProgrammer::get_settings(platform::LineSettings& settings) {
  if (!open_) return false;
  settings = settings_;
  return true;
}

bool SimulatedProgrammer::set_settings(const platform::LineSettings& settings) {
  if (!open_) return false;
  settings_ = settings;
  return true;
}

platform::QueueCounts SimulatedProgrammer::queue_counts() {
  platform::QueueCounts counts;
  if (!open_) return counts;
  update();
  const std::int64_t now = scheduler_.now_ms();
  for (const auto& p : out_) {
    if (p.ready_ms > now) break;
    ++counts.in;
  }
  if (baud_rate > 0) {
    const std::int64_t byte_us = 10'000'000 / baud_rate;
    const std::int64_t left_us = line_free_us_ - now * 1000;
    if (left_us > 0) counts.out = static_cast<int>((left_us + byte_us - 1) / byte_us);
  }
  return counts;
}

bool SimulatedProgrammer::read_byte(std::uint8_t& byte) {
  if (!open_) return false;
  update();
  if (out_.empty() || out_.front().ready_ms > scheduler_.now_ms()) return false;
  byte = out_.front().byte;
  out_.pop_front();
  return true;
}

int SimulatedProgrammer::write(const std::uint8_t* data, int count) {
  if (!open_) return -1;
  update();
  const std::int64_t now = scheduler_.now_ms();
  for (int i = 0; i < count; ++i) {
    arrival_ms_ = now;
    if (baud_rate > 0) {
      line_free_us_ = std::max(line_free_us_, now * 1000) + 10'000'000 / baud_rate;
      arrival_ms_ = (line_free_us_ + 999) / 1000;
    }
    received_.push_back({data[i], rts_, arrival_ms_});
    receive(data[i]);
  }
  return count;
}

void SimulatedProgrammer::pulse_cts(int ms) {
  cts_from_ms_ = scheduler_.now_ms();
  cts_until_ms_ = cts_from_ms_ + ms;
}

bool SimulatedProgrammer::set_rts(bool on) {
  if (!open_) return false;
  update();
  rts_ = on;
  return true;
}

bool SimulatedProgrammer::set_dtr(bool on) {
  if (!open_) return false;
  dtr_ = on;
  return true;
}

unsigned SimulatedProgrammer::modem_status() {
  if (!open_) return 0;
  update();
  const std::int64_t now = scheduler_.now_ms();
  const bool busy =
      (now >= cts_from_ms_ && now < cts_until_ms_) ||
      (faults.pulse_cts_every_ms > 0 && now % faults.pulse_cts_every_ms < kCtsPulseMs);
  return faults.keep_cts_on || busy ? platform::kModemCtsOn : 0u;
}

void SimulatedProgrammer::purge() {
  out_.clear();
}

void SimulatedProgrammer::reset_record() {
  state_ = State::Idle;
  command_ = 0;
  header_.clear();
  data_.clear();
}

void SimulatedProgrammer::update() {
  // A write record is complete once its data has been followed by a quiet
  // line; the programmer then writes it at that moment. A record that falls
  // quiet before its data (or before its header is whole) is dropped, so
  // the next record starts afresh.
  if (state_ == State::Idle || scheduler_.now_ms() - last_rx_ms_ < record_gap_ms) return;
  if (state_ == State::WriteData && !data_.empty())
    commit_write(last_rx_ms_ + record_gap_ms);
  else
    reset_record();
}

void SimulatedProgrammer::receive(std::uint8_t byte) {
  if (faults.never_answer) return;
  const bool line_model = model_ == ProgrammerModel::LineSignalling;
  last_rx_ms_ = arrival_ms_;
  switch (state_) {
    case State::Idle: {
      // The line-signalling programmer takes a command only inside an RTS
      // frame; everything else on the line is noise to it.
      if (line_model && !rts_) return;
      if (byte == kEnq) {
        ++enquiries_;
        if (!line_model) {
          ++acks_sent_;
          send(std::string(1, static_cast<char>(kAck)), last_rx_ms_ + answer_delay_ms);
        }
        return;
      }
      EepromChip chip;
      if (!chip_of(byte, chip)) return;
      command_ = byte;
      header_.clear();
      data_.clear();
      state_ = (byte == 1 || byte == 2 || byte == 6) ? State::WriteHeader : State::ReadHeader;
      return;
    }
    case State::WriteHeader:
    case State::ReadHeader:
      if (line_model && !rts_) {
        reset_record();  // a header byte outside its frame spoils the record
        return;
      }
      header_ += static_cast<char>(byte);
      if (state_ == State::WriteHeader && header_.size() == 2) state_ = State::WriteData;
      if (state_ == State::ReadHeader && header_.size() == 3) answer_read();
      return;
    case State::WriteData:
      data_ += static_cast<char>(byte);
      return;
  }
}

void SimulatedProgrammer::commit_write(std::int64_t at) {
  EepromChip chip = EepromChip::C24FC256;
  chip_of(command_, chip);
  const auto address = static_cast<std::uint16_t>((static_cast<std::uint8_t>(header_[0]) << 8) |
                                                  static_cast<std::uint8_t>(header_[1]));
  store(chip, address, data_);
  records_.push_back({true, command_, address, data_, at, {}});
  reset_record();
  if (model_ == ProgrammerModel::LineSignalling) {
    cts_from_ms_ = at;
    cts_until_ms_ = at + write_cycle_ms;
    return;
  }
  ++write_acks_;
  const bool dropped =
      faults.drop_ack > 0 && write_acks_ >= faults.drop_ack &&
      (faults.drop_ack_count < 0 || write_acks_ < faults.drop_ack + faults.drop_ack_count);
  if (dropped) return;
  ++acks_sent_;
  send(std::string(1, static_cast<char>(kAck)), at + answer_delay_ms + faults.late_ack_ms);
}

void SimulatedProgrammer::answer_read() {
  EepromChip chip = EepromChip::C24FC256;
  chip_of(command_, chip);
  const auto address = static_cast<std::uint16_t>((static_cast<std::uint8_t>(header_[0]) << 8) |
                                                  static_cast<std::uint8_t>(header_[1]));
  const auto terminator = static_cast<std::uint8_t>(header_[2]);
  records_.push_back({false, command_, address, std::string(1, header_[2]), last_rx_ms_, {}});
  reset_record();
  std::string text = stored_text(chip, address, terminator);
  if (text.empty()) return;  // no terminator stored: the programmer stays silent
  if (faults.corrupt_next_read) {
    faults.corrupt_next_read = false;
    if (text.size() == 1) {
      text.insert(text.begin(), '?');
    } else {
      char& c = text[0];
      c = static_cast<char>(c ^ 0x20);
      if (static_cast<std::uint8_t>(c) == terminator) c = static_cast<char>(c ^ 0x01);
    }
  }
  records_.back().answer = text;
  send(text, last_rx_ms_ + answer_delay_ms);
}

void SimulatedProgrammer::send(const std::string& bytes, std::int64_t at) {
  for (std::size_t i = 0; i < bytes.size(); ++i)
    out_.push_back(
        {at + static_cast<std::int64_t>(i) * byte_time_ms, static_cast<std::uint8_t>(bytes[i])});
}

}  // namespace tarvex::eeprom
