#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/serial_backend.h"

namespace tarvex::platform {
class Scheduler;
class Timer;
class Ui;
}  // namespace tarvex::platform

namespace tarvex::eeprom {

enum class TStopBits { sbOne, sbOneAndHalf, sbTwo };
enum class TParity { pNone, pOdd, pEven, pMark, pSpace };
enum class THandShake { hsNone, hsXOnXOff, hsCtsRts, hsDtrDsr };

// The serial port component. Every call runs in the user-interface thread;
// the blocking reads and buffer writes keep the window messages flowing
// through the Scheduler, so timers and buttons act in the middle of a
// transfer.
class TUart {
 public:
  TUart(platform::SerialBackend& backend, platform::Scheduler& scheduler, platform::Ui& ui);
  ~TUart();
  TUart(const TUart&) = delete;
  TUart& operator=(const TUart&) = delete;

  // Properties, in their published order, with their defaults.
  int Port() const { return port_; }
  void SetPort(int port);
  int Baudrate() const { return baudrate_; }
  void SetBaudrate(int baudrate);
  int Databits() const { return databits_; }
  void SetDatabits(int databits);  // values below 4 are ignored
  TStopBits StopBits() const { return stop_bits_; }
  void SetStopBits(TStopBits stop_bits);
  TParity Parity() const { return parity_; }
  void SetParity(TParity parity);
  THandShake HandShaking() const { return handshaking_; }
  void SetHandShaking(THandShake handshaking);
  bool DTR() const { return dtr_; }
  void SetDTR(bool on);
  bool RTS() const { return rts_; }
  void SetRTS(bool on);
  bool AutoOpen() const { return auto_open_; }
  void SetAutoOpen(bool on) { auto_open_ = on; }
  // Kept for the component's users; it changes nothing.
  bool HandleErrors() const { return handle_errors_; }
  void SetHandleErrors(bool on) { handle_errors_ = on; }
  int RxBufferSize() const { return rx_buffer_size_; }
  void SetRxBufferSize(int size);
  int TxBufferSize() const { return tx_buffer_size_; }
  void SetTxBufferSize(int size);
  int RxNotifylevel() const { return rx_notify_level_; }
  void SetRxNotifylevel(int level) { rx_notify_level_ = level; }
  const std::string& RxLogTriggerChars() const { return rx_log_trigger_chars_; }
  void SetRxLogTriggerChars(const std::string& chars) { rx_log_trigger_chars_ = chars; }
  int RxLogBufferMaxSize() const { return rx_log_buffer_max_size_; }
  void SetRxLogBufferMaxSize(int size) { rx_log_buffer_max_size_ = size; }

  std::function<void(TUart& sender)> OnOpen;
  // Replaces the built-in error box.
  std::function<void(TUart& sender, int error_code, const std::string& message)> OnError;
  std::function<void(TUart& sender, int rx_count)> OnReceive;
  std::function<void(TUart& sender, unsigned line_state)> OnLineChange;
  std::function<void(TUart& sender, const std::string& rx_string)> OnReceiveLog;

  // The open flag.
  bool Active() const { return open_; }
  void SetActive(bool open);
  void Open();
  void Close();
  void ApplyCommState();
  // Opens the port when AutoOpen is set; called once the window that holds
  // the component has been created.
  void Loaded();

  int InQueueCount();
  bool CTSState();
  bool WriteByte(std::uint8_t byte);
  bool WriteString(const std::string& text, int timeout_ms);
  bool WriteBuffer(const std::uint8_t* data, int count, int timeout_ms);
  // The text received up to and including the terminator, or "" when the
  // line stays silent for longer than timeout_ms.
  std::string ReadUntil(std::uint8_t terminator, int timeout_ms);
  bool WaitForByte(std::uint8_t byte, int timeout_ms);
  void PauseAndPump(int ms);

  // The texts of the error codes 1..5.
  std::string error_text(int code) const;
  // The longest WriteByte waits for the driver before it gives up.
  static constexpr int kWriteByteLimitMs = 2000;
  // After this long WriteByte lets window messages run while it waits.
  static constexpr int kWriteBytePumpAfterMs = 20;
  // A line that keeps sending without the terminator (or without the byte
  // awaited) never falls silent, so the silence time-out alone would never
  // end the wait. ReadUntil gives up (empty result) once the text holds this
  // many bytes, far more than any stored message; both waits give up once
  // they have lasted this long in all.
  static constexpr int kReadUntilMaxBytes = 4096;
  static constexpr int kWaitLimitMs = 30000;

 private:
  void ReportError(int code);
  void LogReceived(std::uint8_t byte);
  void StartPolling();
  void StopPolling();
  void PausePolling();
  void ResumePolling();
  void PollOnce();

  platform::SerialBackend& backend_;
  platform::Scheduler& scheduler_;
  platform::Ui& ui_;

  int port_ = 1;
  int baudrate_ = 9600;
  int databits_ = 8;
  TStopBits stop_bits_ = TStopBits::sbOne;
  TParity parity_ = TParity::pNone;
  THandShake handshaking_ = THandShake::hsNone;
  bool dtr_ = false;
  bool rts_ = false;
  bool auto_open_ = false;
  bool handle_errors_ = true;
  int rx_buffer_size_ = 1024;
  int tx_buffer_size_ = 1024;
  int rx_notify_level_ = 0;
  std::string rx_log_trigger_chars_;
  int rx_log_buffer_max_size_ = 4096;

  bool open_ = false;
  platform::LineSettings settings_;
  std::string rx_log_buffer_;
  // The receive poll: a 1 ms timer in the user-interface thread, paused while
  // a blocking read runs.
  std::unique_ptr<platform::Timer> poll_timer_;
  int poll_pauses_ = 0;
  unsigned last_modem_status_ = 0;
};

}  // namespace tarvex::eeprom
