// EEPROM device templates and their address lines.
#include "eeprom/eeprom_template.h"
#include "fuzz_support.h"

using namespace tarvex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes = fuzz::bytes_of(data, size);
  try {
    (void)eeprom::parse_template(bytes);
  } catch (const std::exception&) {
    // A malformed template is reported to the operator; only a crash counts.
  }
  for (const std::string& line : platform::split_lines(bytes)) {
    (void)eeprom::split_address(line);
    std::uint8_t high = 0, low = 0;
    try {
      eeprom::GetAddress(line, high, low);
    } catch (const std::exception&) {
    }
  }
  return 0;
}
