#include "eeprom/serial_ports.h"

#include <cctype>
#include <vector>

#include "platform/text_file.h"

namespace tarvex::eeprom {

namespace {

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  const auto last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

// The n of "COMn" (case-insensitive), or 0.
int com_number(const std::string& name) {
  if (name.size() < 4 || name.size() > 8) return 0;
  for (int i = 0; i < 3; ++i)
    if (std::toupper(static_cast<unsigned char>(name[i])) != "COM"[i]) return 0;
  int n = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

}  // namespace

PortTarget port_target(const std::string& start_folder, const std::string& name) {
  PortTarget target;
  const int n = com_number(name);
  if (n <= 0) {
    target.path = name;
    return target;
  }
  std::string line;
  const std::string ports = platform::join_path(start_folder, kPortsFile);
  if (platform::file_exists(ports)) {
    try {
      const std::vector<std::string> lines = platform::read_lines(ports);
      if (n <= static_cast<int>(lines.size())) line = trimmed(lines[n - 1]);
    } catch (const std::exception&) {
      line.clear();  // an unreadable file is no mapping at all
    }
  }
  if (line.empty()) {
#ifdef _WIN32
    target.path = "COM" + std::to_string(n);
#else
    target.path = "/dev/ttyS" + std::to_string(n - 1);
#endif
  } else if (line == kSimulatorAcknowledging) {
    target.kind = PortTarget::Kind::Acknowledging;
  } else if (line == kSimulatorLineSignalling) {
    target.kind = PortTarget::Kind::LineSignalling;
  } else if (line.rfind("simulator:", 0) == 0) {
    target.kind = PortTarget::Kind::Unknown;
    target.path = line;
  } else {
    target.path = line;
  }
  return target;
}

PortRouter::PortRouter(std::string start_folder, platform::Scheduler& scheduler,
                       DeviceFactory devices)
    : start_folder_(std::move(start_folder)), scheduler_(scheduler), devices_(std::move(devices)) {}

SimulatedProgrammer& PortRouter::simulator(ProgrammerModel model) {
  auto& slot = simulators_[model];
  if (!slot) {
    slot = std::make_unique<SimulatedProgrammer>(scheduler_, model);
    // The program watches CTS with a 2 ms timer on a real clock, where a
    // repaint can hold the user-interface thread for several milliseconds; a
    // longer write cycle keeps the pulse from slipping between two looks.
    slot->write_cycle_ms = kRoutedWriteCycleMs;
  }
  return *slot;
}

bool PortRouter::open(const std::string& name) {
  close();
  const PortTarget target = port_target(start_folder_, name);
  switch (target.kind) {
    case PortTarget::Kind::Acknowledging:
      current_ = &simulator(ProgrammerModel::Acknowledging);
      return current_->open(name);
    case PortTarget::Kind::LineSignalling:
      current_ = &simulator(ProgrammerModel::LineSignalling);
      return current_->open(name);
    case PortTarget::Kind::Unknown:
      current_ = nullptr;
      return false;
    case PortTarget::Kind::Device:
      break;
  }
  if (!devices_) {
    current_ = nullptr;
    return false;
  }
  device_ = devices_();
  current_ = device_.get();
  return current_ && current_->open(target.path);
}

void PortRouter::close() {
  if (current_) current_->close();
}

bool PortRouter::get_settings(platform::LineSettings& settings) {
  return current_ && current_->get_settings(settings);
}
bool PortRouter::set_settings(const platform::LineSettings& settings) {
  return current_ && current_->set_settings(settings);
}
void PortRouter::set_queue_sizes(int rx, int tx) {
  if (current_) current_->set_queue_sizes(rx, tx);
}
platform::QueueCounts PortRouter::queue_counts() {
  return current_ ? current_->queue_counts() : platform::QueueCounts{};
}
bool PortRouter::read_byte(std::uint8_t& byte) {
  return current_ && current_->read_byte(byte);
}
int PortRouter::write(const std::uint8_t* data, int count) {
  return current_ ? current_->write(data, count) : -1;
}
bool PortRouter::set_rts(bool on) {
  return current_ && current_->set_rts(on);
}
bool PortRouter::set_dtr(bool on) {
  return current_ && current_->set_dtr(on);
}
unsigned PortRouter::modem_status() {
  return current_ ? current_->modem_status() : 0u;
}
void PortRouter::purge() {
  if (current_) current_->purge();
}

}  // namespace tarvex::eeprom
