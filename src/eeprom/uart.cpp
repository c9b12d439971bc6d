#include "eeprom/uart.h"

#include <algorithm>

#include "platform/scheduler.h"
#include "platform/ui.h"

namespace tarvex::eeprom {

using platform::LineSettings;

TUart::TUart(platform::SerialBackend& backend, platform::Scheduler& scheduler, platform::Ui& ui)
    : backend_(backend), scheduler_(scheduler), ui_(ui) {}

TUart::~TUart() {
  Close();
}

std::string TUart::error_text(int code) const {
  switch (code) {
    case 1:
      return "COM" + std::to_string(port_) + " failed to open. " +
             "The Port may be in use be another application or it does not exist.";
    case 2:
      return "Error getting Comport State";
    case 3:
      return "Error setting comms state";
    case 4:
      return "Error setting DTR line.";
    case 5:
      return "Error setting RTS line.";
    default:
      return "";
  }
}

void TUart::ReportError(int code) {
  const std::string text = error_text(code);
  if (OnError) {
    OnError(*this, code, text);
    return;
  }
  ui_.beep();
  ui_.message(text);
}

void TUart::SetActive(bool open) {
  if (open == open_) return;
  if (open)
    Open();
  else
    Close();
  if (!open_) return;
  ApplyCommState();
  backend_.set_queue_sizes(rx_buffer_size_, tx_buffer_size_);
  backend_.queue_counts();  // clears the port's error state
  backend_.purge();
}

void TUart::Open() {
  if (open_) Close();
  if (!backend_.open("COM" + std::to_string(port_))) {
    open_ = false;
    ReportError(1);
    return;
  }
  open_ = true;
  if (!backend_.get_settings(settings_)) {
    ReportError(2);
    return;
  }
  last_modem_status_ = backend_.modem_status();
  if (OnReceive || OnLineChange) StartPolling();
  if (OnOpen) OnOpen(*this);
}

void TUart::Close() {
  if (!open_) return;
  StopPolling();
  backend_.close();
  open_ = false;
}

void TUart::Loaded() {
  if (auto_open_) SetActive(true);
}

void TUart::ApplyCommState() {
  if (!open_) return;
  PausePolling();
  LineSettings& s = settings_;
  s.baud_rate = baudrate_;
  s.binary = true;
  s.parity_check = parity_ != TParity::pNone;
  s.cts_output_flow = false;
  s.dsr_output_flow = false;
  s.xon_xoff_out = false;
  s.xon_xoff_in = false;
  s.dtr_control = dtr_ ? LineSettings::LineControl::Enable : LineSettings::LineControl::Disable;
  s.rts_control = rts_ ? LineSettings::LineControl::Enable : LineSettings::LineControl::Disable;
  switch (handshaking_) {
    case THandShake::hsNone:
      break;
    case THandShake::hsXOnXOff:
      s.xon_xoff_out = true;
      s.xon_xoff_in = true;
      break;
    case THandShake::hsCtsRts:
      s.cts_output_flow = true;
      s.rts_control = LineSettings::LineControl::Handshake;
      break;
    case THandShake::hsDtrDsr:
      s.dsr_output_flow = true;
      s.dtr_control = LineSettings::LineControl::Handshake;
      break;
  }
  s.dsr_sensitivity = false;
  s.tx_continue_on_xoff = true;
  s.error_char = false;
  s.null_stripping = false;
  s.abort_on_error = false;
  s.byte_size = databits_;
  s.parity = static_cast<int>(parity_);
  s.stop_bits = static_cast<int>(stop_bits_);
  if (!backend_.set_settings(s)) ReportError(3);
  ResumePolling();
}

void TUart::SetPort(int port) {
  const bool was_open = open_;
  Close();
  port_ = port;
  if (was_open) SetActive(true);
}

void TUart::SetBaudrate(int baudrate) {
  if (baudrate == baudrate_) return;
  baudrate_ = baudrate;
  ApplyCommState();
}

void TUart::SetDatabits(int databits) {
  if (databits < 4 || databits == databits_) return;
  databits_ = databits;
  ApplyCommState();
}

void TUart::SetStopBits(TStopBits stop_bits) {
  if (stop_bits == stop_bits_) return;
  stop_bits_ = stop_bits;
  ApplyCommState();
}

void TUart::SetParity(TParity parity) {
  if (parity == parity_) return;
  parity_ = parity;
  ApplyCommState();
}

void TUart::SetHandShaking(THandShake handshaking) {
  if (handshaking == handshaking_) return;
  handshaking_ = handshaking;
  ApplyCommState();
}

void TUart::SetDTR(bool on) {
  dtr_ = on;
  if (open_ && handshaking_ != THandShake::hsDtrDsr && !backend_.set_dtr(on)) ReportError(4);
}

void TUart::SetRTS(bool on) {
  rts_ = on;
  if (open_ && handshaking_ != THandShake::hsCtsRts && !backend_.set_rts(on)) ReportError(5);
}

void TUart::SetRxBufferSize(int size) {
  if (size == rx_buffer_size_) return;
  rx_buffer_size_ = size;
  if (open_) backend_.set_queue_sizes(rx_buffer_size_, tx_buffer_size_);
}

void TUart::SetTxBufferSize(int size) {
  if (size == tx_buffer_size_) return;
  tx_buffer_size_ = size;
  if (open_) backend_.set_queue_sizes(rx_buffer_size_, tx_buffer_size_);
}

int TUart::InQueueCount() {
  if (!open_) return 0;
  return backend_.queue_counts().in;
}

bool TUart::CTSState() {
  if (!open_) return false;
  return (backend_.modem_status() & platform::kModemCtsOn) != 0;
}

bool TUart::WriteByte(std::uint8_t byte) {
  // A byte that leaves at once is on its way before anything else runs. A
  // transmitter that does not drain (a port stuck in flow control or pulled
  // out) gets a generous limit instead of forever, and the window messages
  // run while it lasts.
  if (!open_) return false;
  const std::int64_t start = scheduler_.now_ms();
  auto waited_too_long = [&] { return scheduler_.now_ms() - start > kWriteByteLimitMs; };
  auto wait_a_moment = [&] {
    scheduler_.sleep_ms(1);
    if (scheduler_.now_ms() - start > kWriteBytePumpAfterMs) scheduler_.process_messages();
  };
  while (backend_.queue_counts().out >= tx_buffer_size_) {
    if (!open_ || !backend_.is_open() || waited_too_long()) return false;
    wait_a_moment();
  }
  if (!open_ || backend_.write(&byte, 1) != 1) return false;
  while (backend_.queue_counts().out != 0) {
    if (!open_ || !backend_.is_open() || waited_too_long()) return false;
    wait_a_moment();
  }
  return true;
}

bool TUart::WriteString(const std::string& text, int timeout_ms) {
  return WriteBuffer(reinterpret_cast<const std::uint8_t*>(text.data()),
                     static_cast<int>(text.size()), timeout_ms);
}

bool TUart::WriteBuffer(const std::uint8_t* data, int count, int timeout_ms) {
  if (!open_) return false;
  const std::int64_t start = scheduler_.now_ms();
  int sent = 0;
  for (;;) {
    const platform::QueueCounts counts = backend_.queue_counts();
    const int chunk = std::max(0, std::min(tx_buffer_size_ - counts.out, count - sent));
    const int written = chunk > 0 ? backend_.write(data + sent, chunk) : 0;
    if (written < 0) return false;
    sent += written;
    if (sent >= count) return true;
    scheduler_.process_messages();
    // A handler run by the pump may have closed the port.
    if (!open_) return false;
    if (scheduler_.now_ms() - start > timeout_ms) return false;
    if (written == 0) scheduler_.sleep_ms(1);
  }
}

std::string TUart::ReadUntil(std::uint8_t terminator, int timeout_ms) {
  std::string result;
  if (!open_) return result;
  const std::int64_t start = scheduler_.now_ms();
  std::int64_t last = start;
  PausePolling();
  for (;;) {
    std::uint8_t byte = 0;
    if (InQueueCount() > 0 && backend_.read_byte(byte)) {
      LogReceived(byte);
      result += static_cast<char>(byte);
      if (byte == terminator) break;
      last = scheduler_.now_ms();
    }
    const std::int64_t now = scheduler_.now_ms();
    if (!open_ || now - last > timeout_ms || now - start > kWaitLimitMs ||
        static_cast<int>(result.size()) >= kReadUntilMaxBytes) {
      result.clear();
      break;
    }
    PauseAndPump(5);
  }
  ResumePolling();
  return result;
}

bool TUart::WaitForByte(std::uint8_t wanted, int timeout_ms) {
  if (!open_) return false;
  const std::int64_t start = scheduler_.now_ms();
  std::int64_t last = start;
  PausePolling();
  bool found = false;
  for (;;) {
    std::uint8_t byte = 0;
    while (!found && InQueueCount() > 0 && backend_.read_byte(byte)) {
      LogReceived(byte);
      if (byte == wanted)
        found = true;
      else
        last = scheduler_.now_ms();  // other bytes are dropped
    }
    const std::int64_t now = scheduler_.now_ms();
    if (found || !open_ || now - last > timeout_ms || now - start > kWaitLimitMs) break;
    PauseAndPump(5);
  }
  ResumePolling();
  return found;
}

void TUart::PauseAndPump(int ms) {
  scheduler_.sleep_ms(ms);
  scheduler_.process_messages();
}

void TUart::LogReceived(std::uint8_t byte) {
  if (!OnReceiveLog) return;
  if (rx_log_trigger_chars_.empty()) {
    OnReceiveLog(*this, std::string(1, static_cast<char>(byte)));
    return;
  }
  rx_log_buffer_ += static_cast<char>(byte);
  for (char trigger : rx_log_trigger_chars_) {
    for (std::size_t at = rx_log_buffer_.find(trigger); at != std::string::npos;
         at = rx_log_buffer_.find(trigger)) {
      const std::string piece = rx_log_buffer_.substr(0, at + 1);
      rx_log_buffer_.erase(0, at + 1);
      OnReceiveLog(*this, piece);
    }
  }
  if (static_cast<int>(rx_log_buffer_.size()) > rx_log_buffer_max_size_) rx_log_buffer_.clear();
}

void TUart::StartPolling() {
  if (!poll_timer_) {
    poll_timer_ = scheduler_.create_timer(1);
    poll_timer_->set_handler([this] { PollOnce(); });
  }
  poll_pauses_ = 0;
  poll_timer_->set_enabled(true);
}

void TUart::StopPolling() {
  if (poll_timer_) poll_timer_->set_enabled(false);
  poll_pauses_ = 0;
}

void TUart::PausePolling() {
  if (!poll_timer_ || (!poll_timer_->enabled() && poll_pauses_ == 0)) return;
  ++poll_pauses_;
  poll_timer_->set_enabled(false);
}

void TUart::ResumePolling() {
  if (poll_pauses_ == 0) return;
  if (--poll_pauses_ == 0 && open_ && (OnReceive || OnLineChange)) poll_timer_->set_enabled(true);
}

void TUart::PollOnce() {
  if (!open_) return;
  if (backend_.queue_counts().in != 0) {
    const int count = backend_.queue_counts().in;
    if (count >= rx_notify_level_ && OnReceive) OnReceive(*this, count);
  }
  if (!open_) return;
  const unsigned status = backend_.modem_status();
  if (status != last_modem_status_) {
    last_modem_status_ = status;
    if (OnLineChange) OnLineChange(*this, status);
  }
}

}  // namespace tarvex::eeprom
