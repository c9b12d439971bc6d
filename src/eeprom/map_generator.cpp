#include "eeprom/map_generator.h"

#include <cstdint>
#include <limits>

#include "eeprom/eeprom_template.h"
#include "platform/text_file.h"
#include "platform/ui.h"

namespace tarvex::eeprom {

namespace {

constexpr std::uint64_t kLargestAddress = 0xFFFF;

std::uint64_t parse_hex(const std::string& text) {
  if (text.empty() || text.size() > 16) throw ConversionError(conversion_error_text(text));
  std::uint64_t value = 0;
  for (char c : text) {
    int d = -1;
    if (c >= '0' && c <= '9') d = c - '0';
    if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
    if (d < 0) throw ConversionError(conversion_error_text(text));
    value = value * 16 + static_cast<std::uint64_t>(d);
  }
  return value;
}

std::int64_t parse_decimal(const std::string& text) {
  std::size_t i = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) i = 1;
  if (i >= text.size()) throw ConversionError(conversion_error_text(text));
  std::uint64_t value = 0;
  const std::uint64_t limit =
      negative ? std::uint64_t{1} << 63 : std::uint64_t(std::numeric_limits<std::int64_t>::max());
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') throw ConversionError(conversion_error_text(text));
    const std::uint64_t d = static_cast<std::uint64_t>(text[i] - '0');
    if (value > (limit - d) / 10) throw ConversionError(conversion_error_text(text));
    value = value * 10 + d;
  }
  return negative ? static_cast<std::int64_t>(0 - value) : static_cast<std::int64_t>(value);
}

std::string upper_hex(std::uint64_t value, std::size_t width) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 15]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

std::string padded_decimal(std::int64_t value, std::size_t width) {
  std::string text = std::to_string(value);
  if (text.size() < width) text.insert(0, width - text.size(), '0');
  return text;
}

void append_set(std::string& out, const AddressSet& set) {
  const std::size_t width = set.start_code.size();
  const std::uint64_t start_address = parse_hex(set.start_address);
  std::uint64_t hex_start = 0;
  std::int64_t decimal_start = 0;
  if (set.hex)
    hex_start = parse_hex(set.start_code);
  else
    decimal_start = parse_decimal(set.start_code);
  const auto entries = static_cast<std::uint64_t>(set.entries < 0 ? 0 : set.entries);
  const auto size = static_cast<std::uint64_t>(set.entry_size < 0 ? 0 : set.entry_size);
  for (std::uint64_t k = 0; k < entries; ++k) {
    const std::uint64_t address = start_address + k * size;
    if (start_address > kLargestAddress || address > kLargestAddress) {
      // The readers split exactly four digits; a longer address would be
      // programmed somewhere else without a word.
      throw ConversionError("The address $" + upper_hex(address, 4) +
                            " does not fit in four hexadecimal digits");
    }
    out += "$" + upper_hex(address, 4) + "\r\n";
    if (set.hex) {
      out += upper_hex(hex_start + k, width) + "\r\n";
    } else {
      if (decimal_start > 0 &&
          k > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max() - decimal_start))
        throw ConversionError(conversion_error_text(set.start_code));  // past 64 bits
      const std::int64_t code = decimal_start + static_cast<std::int64_t>(k);
      out += padded_decimal(code, width) + "\r\n";
    }
  }
}

}  // namespace

std::string build_map_file(const MapFileRequest& request) {
  std::string out = request.type_name + "\r\n";
  out += static_cast<char>(static_cast<unsigned char>(request.terminator));
  out += "\r\n";
  for (std::size_t i = 0; i < request.sets.size(); ++i)
    if (i == 0 || request.sets[i].in_use) append_set(out, request.sets[i]);
  return out;
}

bool create_map_file(platform::Ui& ui, const std::string& path, const MapFileRequest& request) {
  try {
    platform::write_file(path, build_map_file(request));
    return true;
  } catch (const std::exception& e) {
    ui.message(e.what());
    return false;
  }
}

}  // namespace tarvex::eeprom
