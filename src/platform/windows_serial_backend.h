#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/serial_backend.h"

namespace tarvex::platform {

// A serial port of Windows through the communications API, opened by its
// name ("COM3", or a device path such as "\\.\COM12"). Reads and writes never
// wait for the line: a read takes what the driver holds, a write gives up
// after the time the bytes need at the port's speed and a margin, and says
// how many went. Ports without modem lines (some adapters, or a
// pseudo-terminal under Wine) refuse the line calls; that is taken as
// "nothing to do", not as a failure, and the port stays usable.
class WindowsSerialBackend final : public SerialBackend {
 public:
  WindowsSerialBackend() = default;
  ~WindowsSerialBackend() override;
  WindowsSerialBackend(const WindowsSerialBackend&) = delete;
  WindowsSerialBackend& operator=(const WindowsSerialBackend&) = delete;

  bool open(const std::string& name) override;
  void close() override;
  bool is_open() const override { return handle_ != nullptr; }
  bool get_settings(LineSettings& settings) override;
  bool set_settings(const LineSettings& settings) override;
  void set_queue_sizes(int rx, int tx) override;
  QueueCounts queue_counts() override;
  bool read_byte(std::uint8_t& byte) override;
  int write(const std::uint8_t* data, int count) override;
  bool set_rts(bool on) override;
  bool set_dtr(bool on) override;
  unsigned modem_status() override;
  void purge() override;

 private:
  bool set_time_outs(int baud_rate);
  bool line(unsigned function);

  void* handle_ = nullptr;           // the port's HANDLE; null when closed
  std::vector<std::uint8_t> input_;  // read from the driver, not yet taken
  std::size_t next_ = 0;             // the next byte of input_ to hand out
};

}  // namespace tarvex::platform
