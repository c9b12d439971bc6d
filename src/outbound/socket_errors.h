#pragma once

#include <string>

namespace tarvex::outbound {

// Socket errors are reported the way the operators and the mail server's
// administrators know them: as Windows Sockets error numbers and texts.

// The Windows Sockets number for an operating-system error number (errno);
// numbers without a counterpart are passed on unchanged.
int winsock_error_number(int os_error);

// The number, ":" and its short text ("10061:Connection refused"); a number
// outside the table gives "Unknown Error No. " and the number.
std::string winsock_error_text(int winsock_number);

// Both steps at once, for an errno value.
std::string socket_error_text(int os_error);

}  // namespace tarvex::outbound
