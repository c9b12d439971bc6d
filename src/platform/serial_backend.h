#pragma once

#include <cstdint>
#include <string>

namespace tarvex::platform {

// The line-settings record of a serial port, in the terms of the Windows
// device-control block that the serial component fills.
struct LineSettings {
  enum class LineControl { Disable, Enable, Handshake };

  int baud_rate = 9600;
  bool binary = true;  // raw transfer, no end-of-file character handling
  bool parity_check = false;
  bool cts_output_flow = false;
  bool dsr_output_flow = false;
  bool xon_xoff_out = false;
  bool xon_xoff_in = false;
  LineControl dtr_control = LineControl::Disable;
  LineControl rts_control = LineControl::Disable;
  bool dsr_sensitivity = false;
  bool tx_continue_on_xoff = true;
  bool error_char = false;
  bool null_stripping = false;
  bool abort_on_error = false;
  int byte_size = 8;
  int parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int stop_bits = 0;  // 0 one, 1 one and a half, 2 two
};

// Modem status bits, as the serial component reports them.
inline constexpr unsigned kModemCtsOn = 0x10;
inline constexpr unsigned kModemDsrOn = 0x20;
inline constexpr unsigned kModemRingOn = 0x40;
inline constexpr unsigned kModemRlsdOn = 0x80;

struct QueueCounts {
  int in = 0;   // received bytes waiting to be read
  int out = 0;  // bytes still waiting to be sent
};

// One serial port, deliberately dumb: the serial component builds every wait,
// time-out and error report on top of these calls. All calls are made from
// the user-interface thread; calls on a closed port fail or report nothing.
class SerialBackend {
 public:
  virtual ~SerialBackend() = default;

  // Opens a port by name ("COM3", or whatever the backend understands),
  // exclusively, for reading and writing. False when it cannot be used.
  virtual bool open(const std::string& name) = 0;
  virtual void close() = 0;
  virtual bool is_open() const = 0;

  virtual bool get_settings(LineSettings& settings) = 0;
  virtual bool set_settings(const LineSettings& settings) = 0;
  // Driver queue sizes; a backend may ignore them.
  virtual void set_queue_sizes(int rx, int tx) = 0;
  // The queue counts; reading them also clears the port's error state.
  virtual QueueCounts queue_counts() = 0;
  // Takes one byte that is already waiting; false when none is.
  virtual bool read_byte(std::uint8_t& byte) = 0;
  // Hands bytes to the driver; returns how many it took, or -1 on failure.
  virtual int write(const std::uint8_t* data, int count) = 0;
  virtual bool set_rts(bool on) = 0;
  virtual bool set_dtr(bool on) = 0;
  // The kModem* bits of the input lines.
  virtual unsigned modem_status() = 0;
  // Aborts pending transfers and throws away both queues.
  virtual void purge() = 0;
};

}  // namespace tarvex::platform
