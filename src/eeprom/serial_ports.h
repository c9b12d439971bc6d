#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "eeprom/simulated_programmer.h"
#include "platform/serial_backend.h"

namespace tarvex::platform {
class Scheduler;
}

namespace tarvex::eeprom {

inline constexpr const char* kPortsFile = "Ports.ini";
inline constexpr const char* kSimulatorAcknowledging = "simulator:acknowledging";
inline constexpr const char* kSimulatorLineSignalling = "simulator:line-signalling";
// How long the simulators that Ports.ini names hold CTS for a write cycle.
inline constexpr int kRoutedWriteCycleMs = 40;

// Where "COMn" leads.
struct PortTarget {
  enum class Kind { Device, Acknowledging, LineSignalling, Unknown };
  Kind kind = Kind::Device;
  std::string path;  // the device path, or the text that was not understood
};

// Line n of Ports.ini in the start-up folder names port n: a device path or
// one of the simulator names. Without the file, or with the line missing or
// blank, COMn is /dev/ttyS<n-1> (on Windows the port COMn itself). A name
// that is not "COM" and a number is taken as a device path.
PortTarget port_target(const std::string& start_folder, const std::string& name);

// The serial backend the program uses: on each open it reads Ports.ini and
// hands the port to a real device backend or to one of the two simulated
// programmers. A simulator lives as long as the router, so what was
// programmed into it can be read back later.
class PortRouter final : public platform::SerialBackend {
 public:
  using DeviceFactory = std::function<std::unique_ptr<platform::SerialBackend>()>;

  PortRouter(std::string start_folder, platform::Scheduler& scheduler, DeviceFactory devices);
  PortRouter(const PortRouter&) = delete;
  PortRouter& operator=(const PortRouter&) = delete;

  SimulatedProgrammer& simulator(ProgrammerModel model);
  // The backend the port was last opened on; null before the first open.
  platform::SerialBackend* current() const { return current_; }

  bool open(const std::string& name) override;
  void close() override;
  bool is_open() const override { return current_ && current_->is_open(); }
  bool get_settings(platform::LineSettings& settings) override;
  bool set_settings(const platform::LineSettings& settings) override;
  void set_queue_sizes(int rx, int tx) override;
  platform::QueueCounts queue_counts() override;
  bool read_byte(std::uint8_t& byte) override;
  int write(const std::uint8_t* data, int count) override;
  bool set_rts(bool on) override;
  bool set_dtr(bool on) override;
  unsigned modem_status() override;
  void purge() override;

 private:
  std::string start_folder_;
  platform::Scheduler& scheduler_;
  DeviceFactory devices_;
  std::unique_ptr<platform::SerialBackend> device_;
  std::map<ProgrammerModel, std::unique_ptr<SimulatedProgrammer>> simulators_;
  platform::SerialBackend* current_ = nullptr;
};

}  // namespace tarvex::eeprom
