// The demo folder's templates are the generator's output for these settings,
// and its Ports.ini leads COM1 to the simulated programmer.
#include <gtest/gtest.h>

#include "eeprom/eeprom_template.h"
#include "eeprom/map_generator.h"
#include "eeprom/serial_ports.h"
#include "eeprom/simulated_programmer.h"
#include "platform/text_file.h"

namespace tarvex::eeprom {
namespace {

const std::string kDemo = std::string(TARVEX_SOURCE_DIR) + "/demo";

struct DemoTemplate {
  const char* hardware_type;
  const char* chip;
  std::vector<AddressSet> sets;  // the first, then those in use
  EepromChip size_of;
};

TEST(DemoFolder, TemplatesAreTheGeneratorsOutputAndFitTheirChips) {
  const std::vector<DemoTemplate> demo = {
      {"K71 Morvane",
       "24FC256",
       {{"1", false, "0000", 40, 64, true}, {"A0", true, "0A00", 16, 32, true}},
       EepromChip::C24FC256},
      {"Contactid",
       "24FC512",
       {{"1", false, "0000", 50, 64, true}, {"80", false, "1000", 20, 128, true}},
       EepromChip::C24FC512},
      {"GSM Gate 4", "24LC16B", {{"1", false, "0000", 30, 64, true}}, EepromChip::C24LC16B},
      {"Alarm Dialer 2",
       "24FC256",
       {{"10", false, "0100", 24, 48, true}, {"F0", true, "2000", 16, 16, true}},
       EepromChip::C24FC256},
  };
  for (const auto& d : demo) {
    SCOPED_TRACE(d.hardware_type);
    MapFileRequest request;
    request.type_name = d.chip;
    request.terminator = 1;
    for (std::size_t i = 0; i < d.sets.size(); ++i) request.sets[i] = d.sets[i];
    const std::string path = template_path(kDemo, d.hardware_type);
    EXPECT_EQ(platform::read_file(path), build_map_file(request));

    const EepromTemplate t = load_template(path);
    EXPECT_NE(write_command_code(t.type_name), 0);
    // The last entry of each set leaves room for its whole entry on the chip.
    for (const auto& set : d.sets) {
      const std::size_t end = std::stoul(set.start_address, nullptr, 16) +
                              static_cast<std::size_t>(set.entries) * set.entry_size;
      EXPECT_LE(end, SimulatedProgrammer::chip_size(d.size_of));
    }
  }
}

// The demo devices' numbered codes have an address in their type's template;
// only the zone codes, which no address set can generate, are left out and
// show as "Error" rows in a programming run.
TEST(DemoFolder, DemoDeviceCodesAreInTheirTemplates) {
  const std::vector<std::pair<std::string, std::string>> devices = {
      {"Devices/+27821234567.dev", "K71 Morvane"},
      {"Devices/K71 Morvane.dft", "K71 Morvane"},
      {"Devices/+27731112222.dev", "Contactid"},
      {"Devices/Contactid.dft", "Contactid"},
  };
  for (const auto& [file, type] : devices) {
    SCOPED_TRACE(file);
    const EepromTemplate t = load_template(template_path(kDemo, type));
    int rows = 0;
    for (const std::string& line : platform::read_lines(kDemo + "/" + file)) {
      // A message row: description, code, length, flags, text, each ended by 0xFE.
      const auto first = line.find('\xFE');
      if (first == std::string::npos) continue;
      const auto second = line.find('\xFE', first + 1);
      ASSERT_NE(second, std::string::npos);
      const std::string code = line.substr(first + 1, second - first - 1);
      ++rows;
      if (code.rfind("ZN", 0) == 0) continue;
      EXPECT_NE(t.find(code), nullptr) << code;
    }
    EXPECT_GT(rows, 3);
  }
}

TEST(DemoFolder, PortsIniLeadsComOneAndTwoToTheSimulators) {
  EXPECT_EQ(port_target(kDemo, "COM1").kind, PortTarget::Kind::Acknowledging);
  EXPECT_EQ(port_target(kDemo, "COM2").kind, PortTarget::Kind::LineSignalling);
}

}  // namespace
}  // namespace tarvex::eeprom
