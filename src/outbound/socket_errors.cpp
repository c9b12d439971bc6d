#include "outbound/socket_errors.h"

#include <cerrno>
#include <system_error>
#include <utility>

namespace tarvex::outbound {

namespace {

struct WinsockError {
  int number;
  const char* text;
};

constexpr WinsockError kWinsockErrors[] = {
    {10004, "Interrupted system call"},
    {10009, "Bad file number"},
    {10013, "Permission denied"},
    {10014, "Bad address"},
    {10022, "Invalid argument"},
    {10024, "Too many open files"},
    {10035, "Operation would block"},
    {10036, "Operation now in progress"},
    {10037, "Operation already in progress"},
    {10038, "Socket operation on non-socket"},
    {10039, "Destination address required"},
    {10040, "Message too long"},
    {10041, "Protocol wrong type for socket"},
    {10042, "Bad protocol option"},
    {10043, "Protocol not supported"},
    {10044, "Socket type not supported"},
    {10045, "Operation not supported on socket"},
    {10046, "Protocol family not supported"},
    {10047, "Address family not supported by protocol family"},
    {10048, "Address already in use"},
    {10049, "Can't assign requested address"},
    {10050, "Network is down"},
    {10051, "Network is unreachable"},
    {10052, "Net dropped connection or reset"},
    {10053, "Software caused connection abort"},
    {10054, "Connection reset by peer"},
    {10055, "No buffer space available"},
    {10056, "Socket is already connected"},
    {10057, "Socket is not connected"},
    {10058, "Can't send after socket shutdown"},
    {10059, "Too many references, can't splice"},
    {10060, "Connection timed out"},
    {10061, "Connection refused"},
    {10062, "Too many levels of symbolic links"},
    {10063, "File name too long"},
    {10064, "Host is down"},
    {10065, "No route to host"},
    {10066, "Directory not empty"},
    {10067, "Too many processes"},
    {10068, "Too many users"},
    {10069, "Disc quota exceeded"},
    {10070, "Stale NFS file handle"},
    {10071, "Too many levels of remote in path"},
    {10091, "Network subsystem is unusable"},
    {10092, "Winsock DLL cannot support this application"},
    {10093, "Winsock not initialized"},
    {11001, "Host not found"},
    {11002, "Non-authoritative host not found"},
    {11003, "Non-recoverable error"},
    {11004, "Valid name, no data record of requested type"},
};

// errno values by their portable names, so this compiles wherever <cerrno>
// does; a few POSIX-only ones are added where the platform has them.
int from_errc(int os_error) {
  using E = std::errc;
  static const std::pair<E, int> table[] = {
      {E::interrupted, 10004},
      {E::bad_file_descriptor, 10009},
      {E::permission_denied, 10013},
      {E::bad_address, 10014},
      {E::invalid_argument, 10022},
      {E::too_many_files_open, 10024},
      {E::operation_would_block, 10035},
      {E::resource_unavailable_try_again, 10035},
      {E::operation_in_progress, 10036},
      {E::connection_already_in_progress, 10037},
      {E::not_a_socket, 10038},
      {E::destination_address_required, 10039},
      {E::message_size, 10040},
      {E::wrong_protocol_type, 10041},
      {E::no_protocol_option, 10042},
      {E::protocol_not_supported, 10043},
      {E::operation_not_supported, 10045},
      {E::address_family_not_supported, 10047},
      {E::address_in_use, 10048},
      {E::address_not_available, 10049},
      {E::network_down, 10050},
      {E::network_unreachable, 10051},
      {E::network_reset, 10052},
      {E::connection_aborted, 10053},
      {E::connection_reset, 10054},
      {E::broken_pipe, 10054},  // a send to a server that has gone
      {E::no_buffer_space, 10055},
      {E::already_connected, 10056},
      {E::not_connected, 10057},
      {E::timed_out, 10060},
      {E::connection_refused, 10061},
      {E::too_many_symbolic_link_levels, 10062},
      {E::filename_too_long, 10063},
      {E::host_unreachable, 10065},
      {E::directory_not_empty, 10066},
  };
  for (const auto& [errc, number] : table)
    if (static_cast<int>(errc) == os_error) return number;
#ifdef ESOCKTNOSUPPORT
  if (os_error == ESOCKTNOSUPPORT) return 10044;
#endif
#ifdef EPFNOSUPPORT
  if (os_error == EPFNOSUPPORT) return 10046;
#endif
#ifdef ESHUTDOWN
  if (os_error == ESHUTDOWN) return 10058;
#endif
#ifdef ETOOMANYREFS
  if (os_error == ETOOMANYREFS) return 10059;
#endif
#ifdef EHOSTDOWN
  if (os_error == EHOSTDOWN) return 10064;
#endif
#ifdef EUSERS
  if (os_error == EUSERS) return 10068;
#endif
#ifdef EDQUOT
  if (os_error == EDQUOT) return 10069;
#endif
#ifdef ESTALE
  if (os_error == ESTALE) return 10070;
#endif
#ifdef EREMOTE
  if (os_error == EREMOTE) return 10071;
#endif
  return os_error;
}

}  // namespace

int winsock_error_number(int os_error) {
  return from_errc(os_error);
}

std::string winsock_error_text(int winsock_number) {
  for (const auto& e : kWinsockErrors)
    if (e.number == winsock_number) return std::to_string(e.number) + ":" + e.text;
  return "Unknown Error No. " + std::to_string(winsock_number);
}

std::string socket_error_text(int os_error) {
  return winsock_error_text(winsock_error_number(os_error));
}

}  // namespace tarvex::outbound
