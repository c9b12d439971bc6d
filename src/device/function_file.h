#pragma once

#include <optional>
#include <string>
#include <vector>

// Function files (".fun"): the unit number, password and description of a
// kind of unit on lines 1 to 3, then one function per line, its description
// and its command separated by the byte 0xFE. The control panel reads and
// writes them whole; the main window's command list reads their functions.
namespace tarvex::device {

inline constexpr char kFunctionSeparator = '\xFE';
inline constexpr const char* kFunctionFileFilter = "Function Files|*.fun";
inline constexpr const char* kFunctionFileExtension = "fun";

struct FunctionEntry {
  std::string description;
  std::string command;
  bool operator==(const FunctionEntry&) const = default;
};

struct FunctionFile {
  std::string unit_number;
  std::string password;
  std::string description;
  std::vector<FunctionEntry> functions;
};

// The functions of a function file's lines: from line 4 on, every line that
// holds the separator; the description ends at the first separator, and the
// command is everything after it (further separators included).
std::vector<FunctionEntry> parse_functions(const std::vector<std::string>& lines);
// Throws platform::FileError.
FunctionFile read_function_file(const std::string& path);

// Lines 1 to 3, one line per function (an empty one is the separator alone),
// each ended by CR LF, and one more CR LF at the end.
std::string function_file_text(const FunctionFile& file);
// Why the file would not read back as it stands, if it would not: a line
// break in any field, or the separator character (shown as "þ") in a
// description.
std::optional<std::string> function_file_problem(const FunctionFile& file);

}  // namespace tarvex::device
