#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex::platform {
class Scheduler;
}

namespace tarvex::eeprom {

inline constexpr const char* kTemplateFolder = "EEPROM Devices";
inline constexpr const char* kTemplateExtension = ".dtp";

// The three EEPROM chips the programmer knows by name.
inline constexpr const char* k24LC16B = "24LC16B";
inline constexpr const char* k24FC256 = "24FC256";
inline constexpr const char* k24FC512 = "24FC512";

// A conversion that failed; what() is the text the operator sees.
class ConversionError : public std::invalid_argument {
 public:
  using std::invalid_argument::invalid_argument;
};

// "'text' is not a valid integer value"
std::string conversion_error_text(const std::string& text);

// One address/code pair of a template.
struct TemplateEntry {
  std::string address;  // "$0040"
  std::string code;     // the Prog Code it stands for
};

// An EEPROM device template (.dtp): the chip type, the terminator line and
// the address of every programming code.
struct EepromTemplate {
  std::string type_name;
  // Line 2 as stored: normally one character, the terminator.
  std::string terminator_line;
  std::vector<TemplateEntry> entries;

  // The terminator byte: the first character of line 2.
  std::uint8_t terminator() const {
    return terminator_line.empty() ? 0 : static_cast<std::uint8_t>(terminator_line[0]);
  }
  // The first entry whose code equals code exactly.
  const TemplateEntry* find(const std::string& code) const;
};

// Parses the bytes of a template file. Line 2 holds one character of any
// value 1..255, so a terminator that is itself CR or LF is taken as the
// character and the line end after it is skipped. Throws platform::FileError
// when the file has no terminator line.
EepromTemplate parse_template(const std::string& bytes, const std::string& path = "");
// Reads a template file; throws platform::FileError.
EepromTemplate load_template(const std::string& path);
// start folder/EEPROM Devices/<hardware type>.dtp
std::string template_path(const std::string& start_folder, const std::string& hardware_type);

// Programmer command codes for a chip type name (exact, case-sensitive);
// 0 for a name the programmer does not know.
int write_command_code(const std::string& type_name);
int read_command_code(const std::string& type_name);

// The address split of an address line such as "$1A2B": the high-byte text
// is the line without its 4th and 5th characters ("$1A"), the low-byte text
// the line without its 2nd and 3rd ("$2B").
struct AddressSplit {
  std::string high_text;
  std::string low_text;
  std::uint8_t high = 0;
  std::uint8_t low = 0;
  // The line is not "$" and four hexadecimal digits. Longer or shorter lines
  // would split into a wrong address, so they count as errors too.
  bool error = false;
};
AddressSplit split_address(const std::string& line);

// What the programming window keeps of the last split.
struct AddressState {
  std::uint8_t high = 0;
  std::uint8_t low = 0;
  bool address_error = false;
  std::string label;  // "H: $1A L: $2B"
};

// The programming window's GetAddress: lets pending window messages run,
// clears the address-error flag, shows the split in the label text and sets
// the flag, instead of failing, when the line is not a valid address.
void GetAddress(platform::Scheduler& scheduler, const std::string& line, AddressState& state);
// The main window's GetAddress: the same split; a bad address line throws
// ConversionError.
void GetAddress(const std::string& line, std::uint8_t& high, std::uint8_t& low);

}  // namespace tarvex::eeprom
