#include "eeprom/ui/port_router.h"

#include "qt/qt_serial_backend.h"

namespace tarvex::eeprom {

std::unique_ptr<PortRouter> make_port_router(const std::string& start_folder,
                                             platform::Scheduler& scheduler) {
  return std::make_unique<PortRouter>(start_folder, scheduler, [] {
    return std::unique_ptr<platform::SerialBackend>(new qt::QtSerialBackend());
  });
}

}  // namespace tarvex::eeprom
