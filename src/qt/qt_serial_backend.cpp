#include "qt/qt_serial_backend.h"

#ifndef _WIN32
#include <sys/ioctl.h>
#include <termios.h>
#endif

namespace tarvex::qt {

bool QtSerialBackend::open(const std::string& name) {
  if (port_.isOpen()) port_.close();
  port_.setPortName(QString::fromLocal8Bit(name.data(), static_cast<qsizetype>(name.size())));
  const bool opened = port_.open(QIODevice::ReadWrite);
  port_.clearError();
  return opened;
}

void QtSerialBackend::close() {
  if (port_.isOpen()) port_.close();
  port_.clearError();
}

bool QtSerialBackend::get_settings(platform::LineSettings& s) {
  if (!port_.isOpen()) return false;
  s.baud_rate = static_cast<int>(port_.baudRate());
  s.byte_size = static_cast<int>(port_.dataBits());
  switch (port_.parity()) {
    case QSerialPort::OddParity:
      s.parity = 1;
      break;
    case QSerialPort::EvenParity:
      s.parity = 2;
      break;
    case QSerialPort::MarkParity:
      s.parity = 3;
      break;
    case QSerialPort::SpaceParity:
      s.parity = 4;
      break;
    default:
      s.parity = 0;
  }
  s.parity_check = s.parity != 0;
  s.stop_bits = port_.stopBits() == QSerialPort::TwoStop          ? 2
                : port_.stopBits() == QSerialPort::OneAndHalfStop ? 1
                                                                  : 0;
  s.cts_output_flow = port_.flowControl() == QSerialPort::HardwareControl;
  s.xon_xoff_in = s.xon_xoff_out = port_.flowControl() == QSerialPort::SoftwareControl;
  return true;
}

bool QtSerialBackend::set_settings(const platform::LineSettings& s) {
  if (!port_.isOpen()) return false;
  static const QSerialPort::Parity parities[] = {QSerialPort::NoParity, QSerialPort::OddParity,
                                                 QSerialPort::EvenParity, QSerialPort::MarkParity,
                                                 QSerialPort::SpaceParity};
  static const QSerialPort::StopBits stops[] = {QSerialPort::OneStop, QSerialPort::OneAndHalfStop,
                                                QSerialPort::TwoStop};
  bool ok = s.baud_rate > 0 && port_.setBaudRate(s.baud_rate);
  ok = ok && s.byte_size >= 5 && s.byte_size <= 8 &&
       port_.setDataBits(static_cast<QSerialPort::DataBits>(s.byte_size));
  ok = ok && s.parity >= 0 && s.parity <= 4 && port_.setParity(parities[s.parity]);
  ok = ok && s.stop_bits >= 0 && s.stop_bits <= 2 && port_.setStopBits(stops[s.stop_bits]);
  QSerialPort::FlowControl flow = QSerialPort::NoFlowControl;
  if (s.cts_output_flow || s.rts_control == platform::LineSettings::LineControl::Handshake)
    flow = QSerialPort::HardwareControl;
  else if (s.xon_xoff_out || s.xon_xoff_in)
    flow = QSerialPort::SoftwareControl;
  ok = ok && port_.setFlowControl(flow);
  port_.clearError();
  if (!ok) return false;
  using Control = platform::LineSettings::LineControl;
  if (s.dtr_control != Control::Handshake) ok = set_dtr(s.dtr_control == Control::Enable);
  if (ok && flow != QSerialPort::HardwareControl) ok = set_rts(s.rts_control == Control::Enable);
  return ok;
}

void QtSerialBackend::take_waiting_input() {
  // Reads what the driver holds without waiting, whether or not the event
  // loop has run since the bytes came.
  if (port_.isOpen() && port_.bytesAvailable() == 0) port_.waitForReadyRead(0);
  port_.clearError();
}

platform::QueueCounts QtSerialBackend::queue_counts() {
  platform::QueueCounts counts;
  if (!port_.isOpen()) return counts;
  take_waiting_input();
  if (port_.bytesToWrite() > 0) port_.flush();
  counts.in = static_cast<int>(port_.bytesAvailable());
  counts.out = static_cast<int>(port_.bytesToWrite()) + driver_output_queue();
  port_.clearError();
  return counts;
}

int QtSerialBackend::driver_output_queue() {
  // Bytes Qt has handed on may still wait in the driver; a byte has left
  // only once that queue is empty too.
#ifndef _WIN32
  int queued = 0;
  if (port_.handle() >= 0 && ::ioctl(port_.handle(), TIOCOUTQ, &queued) == 0 && queued > 0)
    return queued;
#endif
  return 0;
}

bool QtSerialBackend::read_byte(std::uint8_t& byte) {
  if (!port_.isOpen()) return false;
  take_waiting_input();
  char c = 0;
  if (!port_.getChar(&c)) return false;
  byte = static_cast<std::uint8_t>(c);
  return true;
}

int QtSerialBackend::write(const std::uint8_t* data, int count) {
  if (!port_.isOpen()) return -1;
  const qint64 taken = port_.write(reinterpret_cast<const char*>(data), count);
  if (taken < 0) {
    port_.clearError();
    return -1;
  }
  port_.flush();
  return static_cast<int>(taken);
}

bool QtSerialBackend::line_result(bool done) {
  const bool unsupported = port_.error() == QSerialPort::UnsupportedOperationError;
  port_.clearError();
  return done || unsupported;
}

bool QtSerialBackend::set_rts(bool on) {
  if (!port_.isOpen()) return false;
  return line_result(port_.setRequestToSend(on));
}

bool QtSerialBackend::set_dtr(bool on) {
  if (!port_.isOpen()) return false;
  return line_result(port_.setDataTerminalReady(on));
}

unsigned QtSerialBackend::modem_status() {
  if (!port_.isOpen()) return 0;
  const QSerialPort::PinoutSignals lines = port_.pinoutSignals();
  port_.clearError();
  unsigned status = 0;
  if (lines & QSerialPort::ClearToSendSignal) status |= platform::kModemCtsOn;
  if (lines & QSerialPort::DataSetReadySignal) status |= platform::kModemDsrOn;
  if (lines & QSerialPort::RingIndicatorSignal) status |= platform::kModemRingOn;
  if (lines & QSerialPort::DataCarrierDetectSignal) status |= platform::kModemRlsdOn;
  return status;
}

void QtSerialBackend::purge() {
  if (!port_.isOpen()) return;
  port_.clear(QSerialPort::AllDirections);
  port_.clearError();
}

}  // namespace tarvex::qt
