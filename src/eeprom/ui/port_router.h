#pragma once

#include <memory>
#include <string>

#include "eeprom/serial_ports.h"

namespace tarvex::eeprom {

// The program's serial backend: Ports.ini in the start-up folder chooses,
// at every open, between a real device (through Qt; on Windows through the
// communications API) and the simulated programmers.
std::unique_ptr<PortRouter> make_port_router(const std::string& start_folder,
                                             platform::Scheduler& scheduler);

}  // namespace tarvex::eeprom
