#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

// 8-bit text files with CR LF line ends. Every byte is kept as it is; only the
// line ends are taken off when reading and put on when writing.
namespace tarvex::platform {

// A file could not be opened, read or written. what() is the text shown to the
// operator by the program-wide error report.
class FileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Splits bytes into lines at CR LF or LF; a final line end adds no empty line.
std::vector<std::string> split_lines(const std::string& bytes);
// Joins lines, each followed by CR LF.
std::string join_lines(const std::vector<std::string>& lines);

std::string read_file(const std::string& path);
std::vector<std::string> read_lines(const std::string& path);
// The same for a file of a kind that is never larger than max_bytes: a larger
// one is refused with FileError before it is read (or as soon as reading
// passes the limit, for a file that grows or reports no size).
std::string read_file(const std::string& path, std::uintmax_t max_bytes);
std::vector<std::string> read_lines(const std::string& path, std::uintmax_t max_bytes);

// Replaces the whole file. The new contents are written to a temporary file
// of a fresh name beside it ("<name>.<8 hex digits>.tmp", never a file that
// is there already) and renamed over it, so a failure never leaves a
// truncated file where a good one stood.
void write_file(const std::string& path, const std::string& bytes);
void write_lines(const std::string& path, const std::vector<std::string>& lines);
// Like write_file, for a file that holds a secret: the new file can be read
// and written by its owner alone, from its creation on.
void write_private_file(const std::string& path, const std::string& bytes);
// Like write_file, and the file and its name are on the disk when it returns,
// for a new file whose only other copy is deleted next.
void write_synced_file(const std::string& path, const std::string& bytes);
// Puts the names of a folder's files on the disk (after a rename into it).
void sync_folder(const std::string& folder);

// Appends lines (each with CR LF), creating the file when it is missing. If the
// write fails, the file is cut back to its earlier length and FileError thrown.
void append_lines(const std::string& path, const std::vector<std::string>& lines);

// Creates a folder with its missing parents.
void create_folders(const std::string& path);
bool remove_file(const std::string& path);
bool file_exists(const std::string& path);
bool folder_exists(const std::string& path);

// Case-insensitive match with '*' (any run of characters) and '?' (one character).
bool wildcard_match(const std::string& pattern, const std::string& name);
// Names (not paths) of the ordinary files in folder matching pattern, sorted;
// symbolic links and hidden files (platform::hidden_file) are left out.
// A missing folder gives an empty list.
std::vector<std::string> list_files(const std::string& folder, const std::string& pattern);
// The same; error tells when the folder is there but could not be read (or
// not read to its end).
std::vector<std::string> list_files(const std::string& folder, const std::string& pattern,
                                    std::error_code& error);

// folder + separator + name; an empty folder gives name alone.
std::string join_path(const std::string& folder, const std::string& name);
// Stored paths may use "\" as the separator; this turns them into ours.
std::string to_native_path(const std::string& stored);
// The last component of a path ("\" or "/" separated).
std::string file_name_of(const std::string& path);
// Everything before the last separator; empty when there is none.
std::string folder_of(const std::string& path);

// Reads lines one at a time the way the settings and device files are read:
// eof() tells whether another line is left; reading past the end gives "".
class LineReader {
 public:
  LineReader() = default;
  explicit LineReader(std::vector<std::string> lines) : lines_(std::move(lines)) {}
  static LineReader from_file(const std::string& path) { return LineReader(read_lines(path)); }

  bool eof() const { return next_ >= lines_.size(); }
  std::string read_line() { return eof() ? std::string() : lines_[next_++]; }
  std::size_t lines_read() const { return next_; }
  const std::vector<std::string>& lines() const { return lines_; }

 private:
  std::vector<std::string> lines_;
  std::size_t next_ = 0;
};

}  // namespace tarvex::platform
