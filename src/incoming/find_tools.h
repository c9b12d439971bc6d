#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/string_grid.h"

namespace tarvex::incoming {

// An ordinary file of a folder as a listing sees it.
struct ListedFile {
  std::string name;
  std::uintmax_t size = 0;
  std::int64_t modified = 0;  // the file system's modification time, in its own ticks
  bool operator==(const ListedFile&) const = default;
};

// The names of the ordinary files of folder that match pattern ('*' and '?',
// without regard to case), sorted. Hidden files (a leading "."; on Windows
// also the hidden and system attributes), folders and symbolic links are
// left out, so nothing found here leads out of the
// folder. A missing or unreadable folder gives an empty list.
std::vector<std::string> list_ordinary_files(const std::string& folder, const std::string& pattern);
// Size and time of change of one such file; nothing when it is gone or is no
// longer an ordinary file.
std::optional<ListedFile> look_at_file(const std::string& folder, const std::string& name);

// Find Device: the status texts and the search.
std::string find_folder_caption(const std::string& folder);  // "Find file in " + folder
inline constexpr const char* kFileNotFound = "File not found";
struct DeviceSearch {
  std::vector<std::string> hits;  // names with extension, without the folder
  std::string status;             // "File not found" or the hit summary
};
// Device files "<text>.dev" in folder, the text read as a file-name pattern.
DeviceSearch find_devices(const std::string& folder, const std::string& text);

// Find in Received Messages: copies every row of source whose cell in column
// holds text (exact, case-sensitive; an empty text matches nothing) into the
// result grid, which is emptied first and ends with one empty row. Returns the
// number of rows copied.
int find_in_received(const platform::StringGrid& source, int column, const std::string& text,
                     platform::StringGrid& result);

}  // namespace tarvex::incoming
