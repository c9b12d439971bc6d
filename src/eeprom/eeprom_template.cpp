#include "eeprom/eeprom_template.h"

#include "platform/scheduler.h"
#include "platform/text_file.h"

namespace tarvex::eeprom {

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// "$" followed by one or two hexadecimal digits, as the split leaves it.
std::optional<std::uint8_t> byte_value(const std::string& text) {
  if (text.size() < 2 || text.size() > 3 || text[0] != '$') return std::nullopt;
  int value = 0;
  for (std::size_t i = 1; i < text.size(); ++i) {
    const int d = hex_digit(text[i]);
    if (d < 0) return std::nullopt;
    value = value * 16 + d;
  }
  return static_cast<std::uint8_t>(value);
}

// Takes one line from bytes at pos; the line end (CR LF or LF) is dropped.
std::string next_line(const std::string& bytes, std::size_t& pos) {
  const std::size_t lf = bytes.find('\n', pos);
  std::string line = bytes.substr(pos, lf == std::string::npos ? std::string::npos : lf - pos);
  pos = lf == std::string::npos ? bytes.size() : lf + 1;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace

std::string conversion_error_text(const std::string& text) {
  return "'" + text + "' is not a valid integer value";
}

const TemplateEntry* EepromTemplate::find(const std::string& code) const {
  for (const auto& entry : entries)
    if (entry.code == code) return &entry;
  return nullptr;
}

EepromTemplate parse_template(const std::string& bytes, const std::string& path) {
  EepromTemplate result;
  std::size_t pos = 0;
  result.type_name = next_line(bytes, pos);
  if (pos >= bytes.size())
    throw platform::FileError("The device template " + path + " has no terminator line");
  const char first = bytes[pos];
  if (first == '\r' || first == '\n') {
    // A terminator of 13 or 10 stands alone before the real line end.
    result.terminator_line = std::string(1, first);
    ++pos;
    if (pos < bytes.size() && bytes[pos] == '\r') ++pos;
    if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
  } else {
    result.terminator_line = next_line(bytes, pos);
  }
  while (pos < bytes.size()) {
    TemplateEntry entry;
    entry.address = next_line(bytes, pos);
    entry.code = pos < bytes.size() ? next_line(bytes, pos) : std::string();
    result.entries.push_back(std::move(entry));
  }
  return result;
}

EepromTemplate load_template(const std::string& path) {
  return parse_template(platform::read_file(path), path);
}

std::string template_path(const std::string& start_folder, const std::string& hardware_type) {
  return platform::join_path(platform::join_path(start_folder, kTemplateFolder),
                             hardware_type + kTemplateExtension);
}

int write_command_code(const std::string& type_name) {
  if (type_name == k24LC16B) return 1;
  if (type_name == k24FC256) return 2;
  if (type_name == k24FC512) return 6;
  return 0;
}

int read_command_code(const std::string& type_name) {
  if (type_name == k24LC16B) return 3;
  if (type_name == k24FC256) return 4;
  if (type_name == k24FC512) return 7;
  return 0;
}

AddressSplit split_address(const std::string& line) {
  AddressSplit split;
  // Character positions count from 1, as in the stored format.
  auto without = [&](std::size_t first, std::size_t second) {
    std::string text;
    for (std::size_t i = 0; i < line.size(); ++i)
      if (i + 1 != first && i + 1 != second) text += line[i];
    return text;
  };
  split.high_text = without(4, 5);
  split.low_text = without(2, 3);
  const auto high = byte_value(split.high_text);
  const auto low = byte_value(split.low_text);
  split.error = line.size() != 5 || !high || !low;
  if (!split.error) {
    split.high = *high;
    split.low = *low;
  }
  return split;
}

void GetAddress(platform::Scheduler& scheduler, const std::string& line, AddressState& state) {
  scheduler.process_messages();
  state.address_error = false;
  const AddressSplit split = split_address(line);
  state.label = "H: " + split.high_text + " L: " + split.low_text;
  if (split.error) {
    state.address_error = true;
    return;
  }
  state.high = split.high;
  state.low = split.low;
}

void GetAddress(const std::string& line, std::uint8_t& high, std::uint8_t& low) {
  const AddressSplit split = split_address(line);
  if (split.error) {
    // A line of the wrong length names itself; otherwise the half that failed.
    std::string bad = line;
    if (line.size() == 5) bad = byte_value(split.high_text) ? split.low_text : split.high_text;
    throw ConversionError(conversion_error_text(bad));
  }
  high = split.high;
  low = split.low;
}

}  // namespace tarvex::eeprom
