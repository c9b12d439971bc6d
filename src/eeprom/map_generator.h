#pragma once

#include <array>
#include <string>

namespace tarvex::platform {
class Ui;
}

namespace tarvex::eeprom {

// One address set of the map file generator.
struct AddressSet {
  std::string start_code = "00";       // its length is the width of every code
  bool hex = false;                    // codes are hexadecimal, otherwise decimal
  std::string start_address = "0000";  // hexadecimal
  int entries = 1;                     // 1..9999
  int entry_size = 1;                  // 1..9999, bytes between addresses
  bool in_use = false;                 // ignored for the first set, always written
};

// Everything the "EEPROM Map File Generator" window holds.
struct MapFileRequest {
  std::string type_name;
  int terminator = 1;  // 1..255
  std::array<AddressSet, 3> sets;
};

// The bytes of the template file. Throws ConversionError when a start code
// or start address is not a number in its base, or when an address does not
// fit in the four hexadecimal digits the readers split.
std::string build_map_file(const MapFileRequest& request);

// "Create": writes the template to path whole, or not at all. Failures are
// shown through the Ui with the conversion or file error text. Returns
// whether the file was written.
bool create_map_file(platform::Ui& ui, const std::string& path, const MapFileRequest& request);

}  // namespace tarvex::eeprom
