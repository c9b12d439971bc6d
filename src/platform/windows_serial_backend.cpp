#include "platform/windows_serial_backend.h"

#include <windows.h>

namespace tarvex::platform {

namespace {

HANDLE port_handle(void* handle) {
  return static_cast<HANDLE>(handle);
}

std::wstring device_name(const std::string& name) {
  // "COM10" and above open only through the device namespace; the prefix
  // does no harm below that.
  const std::string path = name.rfind("\\\\", 0) == 0 ? name : "\\\\.\\" + name;
  const int size = static_cast<int>(path.size());
  const int length = MultiByteToWideChar(CP_UTF8, 0, path.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length > 0 ? length : 0), L'\0');
  if (length > 0) MultiByteToWideChar(CP_UTF8, 0, path.data(), size, wide.data(), length);
  return wide;
}

// The line calls of a port that has no such lines fail with one of these.
bool unsupported(DWORD error) {
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ||
         error == ERROR_INVALID_PARAMETER || error == ERROR_GEN_FAILURE;
}

}  // namespace

WindowsSerialBackend::~WindowsSerialBackend() {
  close();
}

bool WindowsSerialBackend::open(const std::string& name) {
  close();
  if (name.empty()) return false;
  const HANDLE handle = CreateFileW(device_name(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  handle_ = handle;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle, &dcb) || !set_time_outs(static_cast<int>(dcb.BaudRate))) {
    close();
    return false;
  }
  return true;
}

void WindowsSerialBackend::close() {
  if (handle_) CloseHandle(port_handle(handle_));
  handle_ = nullptr;
  input_.clear();
  next_ = 0;
}

bool WindowsSerialBackend::set_time_outs(int baud_rate) {
  // A read returns at once with what is there. A write may take as long as
  // its bytes need at the line speed (ten bits a byte) and half a second
  // more, so that a line held up by flow control cannot stop the program.
  COMMTIMEOUTS times{};
  times.ReadIntervalTimeout = MAXDWORD;
  times.WriteTotalTimeoutMultiplier = baud_rate > 0 ? 10000 / static_cast<DWORD>(baud_rate) + 1 : 2;
  times.WriteTotalTimeoutConstant = 500;
  return SetCommTimeouts(port_handle(handle_), &times) != 0;
}

bool WindowsSerialBackend::get_settings(LineSettings& s) {
  if (!handle_) return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port_handle(handle_), &dcb)) return false;
  using Control = LineSettings::LineControl;
  const auto control = [](unsigned value, unsigned enable, unsigned handshake) {
    return value == handshake ? Control::Handshake
           : value == enable  ? Control::Enable
                              : Control::Disable;
  };
  s.baud_rate = static_cast<int>(dcb.BaudRate);
  s.binary = dcb.fBinary;
  s.parity_check = dcb.fParity;
  s.cts_output_flow = dcb.fOutxCtsFlow;
  s.dsr_output_flow = dcb.fOutxDsrFlow;
  s.dtr_control = control(dcb.fDtrControl, DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE);
  s.dsr_sensitivity = dcb.fDsrSensitivity;
  s.tx_continue_on_xoff = dcb.fTXContinueOnXoff;
  s.xon_xoff_out = dcb.fOutX;
  s.xon_xoff_in = dcb.fInX;
  s.error_char = dcb.fErrorChar;
  s.null_stripping = dcb.fNull;
  s.rts_control = control(dcb.fRtsControl, RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE);
  s.abort_on_error = dcb.fAbortOnError;
  s.byte_size = dcb.ByteSize;
  s.parity = dcb.Parity;
  s.stop_bits = dcb.StopBits;
  return true;
}

bool WindowsSerialBackend::set_settings(const LineSettings& s) {
  if (!handle_) return false;
  if (s.baud_rate <= 0 || s.byte_size < 5 || s.byte_size > 8 || s.parity < 0 || s.parity > 4 ||
      s.stop_bits < 0 || s.stop_bits > 2)
    return false;
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port_handle(handle_), &dcb)) return false;
  using Control = LineSettings::LineControl;
  const auto control = [](Control value, unsigned enable, unsigned handshake) {
    return value == Control::Handshake ? handshake : value == Control::Enable ? enable : 0u;
  };
  dcb.BaudRate = static_cast<DWORD>(s.baud_rate);
  dcb.fBinary = s.binary;
  dcb.fParity = s.parity_check;
  dcb.fOutxCtsFlow = s.cts_output_flow;
  dcb.fOutxDsrFlow = s.dsr_output_flow;
  dcb.fDtrControl = control(s.dtr_control, DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE);
  dcb.fDsrSensitivity = s.dsr_sensitivity;
  dcb.fTXContinueOnXoff = s.tx_continue_on_xoff;
  dcb.fOutX = s.xon_xoff_out;
  dcb.fInX = s.xon_xoff_in;
  dcb.fErrorChar = s.error_char;
  dcb.fNull = s.null_stripping;
  dcb.fRtsControl = control(s.rts_control, RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE);
  dcb.fAbortOnError = s.abort_on_error;
  dcb.ByteSize = static_cast<BYTE>(s.byte_size);
  dcb.Parity = static_cast<BYTE>(s.parity);
  dcb.StopBits = static_cast<BYTE>(s.stop_bits);
  return SetCommState(port_handle(handle_), &dcb) && set_time_outs(s.baud_rate);
}

void WindowsSerialBackend::set_queue_sizes(int rx, int tx) {
  if (handle_ && rx > 0 && tx > 0)
    SetupComm(port_handle(handle_), static_cast<DWORD>(rx), static_cast<DWORD>(tx));
}

QueueCounts WindowsSerialBackend::queue_counts() {
  QueueCounts counts;
  if (!handle_) return counts;
  DWORD errors = 0;
  COMSTAT status{};
  // Also clears the error state, which would otherwise stop every transfer
  // on a port set to abort on errors.
  if (!ClearCommError(port_handle(handle_), &errors, &status)) return counts;
  counts.in = static_cast<int>(input_.size() - next_ + status.cbInQue);
  counts.out = static_cast<int>(status.cbOutQue);
  return counts;
}

bool WindowsSerialBackend::read_byte(std::uint8_t& byte) {
  if (!handle_) return false;
  if (next_ == input_.size()) {
    input_.resize(512);
    DWORD got = 0;
    if (!ReadFile(port_handle(handle_), input_.data(), static_cast<DWORD>(input_.size()), &got,
                  nullptr))
      got = 0;
    input_.resize(got);
    next_ = 0;
    if (got == 0) return false;
  }
  byte = input_[next_++];
  return true;
}

int WindowsSerialBackend::write(const std::uint8_t* data, int count) {
  if (!handle_ || count < 0) return -1;
  if (count == 0) return 0;
  DWORD sent = 0;
  const bool done =
      WriteFile(port_handle(handle_), data, static_cast<DWORD>(count), &sent, nullptr);
  // A write that timed out still reports the bytes that went.
  if (!done && sent == 0) return -1;
  return static_cast<int>(sent);
}

bool WindowsSerialBackend::line(unsigned function) {
  if (!handle_) return false;
  return EscapeCommFunction(port_handle(handle_), function) || unsupported(GetLastError());
}

bool WindowsSerialBackend::set_rts(bool on) {
  return line(on ? SETRTS : CLRRTS);
}

bool WindowsSerialBackend::set_dtr(bool on) {
  return line(on ? SETDTR : CLRDTR);
}

unsigned WindowsSerialBackend::modem_status() {
  DWORD lines = 0;
  if (!handle_ || !GetCommModemStatus(port_handle(handle_), &lines)) return 0;
  unsigned status = 0;
  if (lines & MS_CTS_ON) status |= kModemCtsOn;
  if (lines & MS_DSR_ON) status |= kModemDsrOn;
  if (lines & MS_RING_ON) status |= kModemRingOn;
  if (lines & MS_RLSD_ON) status |= kModemRlsdOn;
  return status;
}

void WindowsSerialBackend::purge() {
  if (!handle_) return;
  PurgeComm(port_handle(handle_), PURGE_RXABORT | PURGE_RXCLEAR | PURGE_TXABORT | PURGE_TXCLEAR);
  input_.clear();
  next_ = 0;
}

}  // namespace tarvex::platform
