#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/text_file.h"
#include "support/temp_folder.h"

namespace tarvex::fuzz {

inline std::string bytes_of(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

// One folder for the whole run: readers that take a path read the input from
// a file in it, rewritten for every input. It lies in memory where there is
// such a file system: on a disk one (ext4) a file cut to nothing and written
// again is pushed to the disk when it closes, and those waits (milliseconds a
// file) were most of the time of the programs that read files.
inline const testing::TempFolder& folder() {
  static const testing::TempFolder dir(true);
  return dir;
}

// Cuts the input into up to `count` parts at byte 0x00, so that one input can
// fill several files of a folder.
inline std::string part(const std::string& input, int index) {
  std::size_t begin = 0;
  for (int i = 0; i < index; ++i) {
    const std::size_t at = input.find('\0', begin);
    if (at == std::string::npos) return {};
    begin = at + 1;
  }
  const std::size_t end = input.find('\0', begin);
  return input.substr(begin, end == std::string::npos ? std::string::npos : end - begin);
}

}  // namespace tarvex::fuzz
