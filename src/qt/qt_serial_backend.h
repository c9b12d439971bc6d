#pragma once

#include <string>

#include <QSerialPort>

#include "platform/serial_backend.h"

namespace tarvex::qt {

// A real serial device through QSerialPort, opened by its device path. The
// output count covers Qt's buffer and the driver's queue, so "nothing left to
// send" means the bytes are on the wire. Ports
// without modem lines (a pseudo-terminal, some adapters) answer the line
// calls with "unsupported"; that is taken as "nothing to do", not as a
// failure, and the port stays usable.
class QtSerialBackend final : public platform::SerialBackend {
 public:
  QtSerialBackend() = default;
  QtSerialBackend(const QtSerialBackend&) = delete;
  QtSerialBackend& operator=(const QtSerialBackend&) = delete;

  bool open(const std::string& name) override;
  void close() override;
  bool is_open() const override { return port_.isOpen(); }
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
  void take_waiting_input();
  int driver_output_queue();
  bool line_result(bool done);

  QSerialPort port_;
};

}  // namespace tarvex::qt
