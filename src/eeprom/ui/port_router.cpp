#include "eeprom/ui/port_router.h"

#ifdef _WIN32
#include "platform/windows_serial_backend.h"
#else
#include "qt/qt_serial_backend.h"
#endif

namespace tarvex::eeprom {

std::unique_ptr<PortRouter> make_port_router(const std::string& start_folder,
                                             platform::Scheduler& scheduler) {
  return std::make_unique<PortRouter>(start_folder, scheduler, [] {
#ifdef _WIN32
    return std::unique_ptr<platform::SerialBackend>(new platform::WindowsSerialBackend());
#else
    return std::unique_ptr<platform::SerialBackend>(new qt::QtSerialBackend());
#endif
  });
}

}  // namespace tarvex::eeprom
