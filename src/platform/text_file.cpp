#include "platform/text_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

namespace tarvex::platform {

namespace {

std::string os_error_text(int error) {
  return std::strerror(error);
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
  throw FileError(what + " \"" + path + "\". " + os_error_text(error));
}

// Writes all bytes or reports the errno of the failure. durable: on the disk
// before the caller goes on, for a copy that is about to replace a good file.
int write_all(std::FILE* file, const std::string& bytes, bool durable) {
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    return errno ? errno : EIO;
  if (std::fflush(file) != 0) return errno ? errno : EIO;
  if (durable && fsync(fileno(file)) != 0 && errno != EINVAL) return errno;
  return 0;
}

}  // namespace

std::vector<std::string> split_lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t end = bytes.find('\n', start);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(start));
      break;
    }
    std::size_t stop = end;
    if (stop > start && bytes[stop - 1] == '\r') --stop;
    lines.push_back(bytes.substr(start, stop - start));
    start = end + 1;
  }
  return lines;
}

std::string join_lines(const std::vector<std::string>& lines) {
  std::size_t size = 0;
  for (const auto& l : lines) size += l.size() + 2;
  std::string out;
  out.reserve(size);
  for (const auto& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::string read_file(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) fail("Cannot open file", path, errno);
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool bad = std::ferror(file);
  const int error = errno;
  std::fclose(file);
  if (bad) fail("Read error on file", path, error ? error : EIO);
  return bytes;
}

std::vector<std::string> read_lines(const std::string& path) {
  return split_lines(read_file(path));
}

void write_file(const std::string& path, const std::string& bytes) {
  const std::string temp = path + ".tmp";
  // A crash right after the rename must not leave an empty file where the
  // old one stood; a new file (an outbox message) needs no such care.
  const bool replaces = file_exists(path);
  std::FILE* file = std::fopen(temp.c_str(), "wb");
  if (!file) fail("Cannot create file", path, errno);
  int error = write_all(file, bytes, replaces);
  if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
  if (error) {
    std::remove(temp.c_str());
    fail("Cannot write file", path, error);
  }
  if (std::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    std::remove(temp.c_str());
    fail("Cannot replace file", path, error);
  }
}

void write_lines(const std::string& path, const std::vector<std::string>& lines) {
  write_file(path, join_lines(lines));
}

void append_lines(const std::string& path, const std::vector<std::string>& lines) {
  std::error_code ec;
  const bool existed = fs::is_regular_file(path, ec);
  const std::uintmax_t old_size = existed ? fs::file_size(path, ec) : 0;
  const bool size_known = !ec;
  std::FILE* file = std::fopen(path.c_str(), "ab");
  if (!file) fail(existed ? "Cannot open file" : "Cannot create file", path, errno);
  int error = write_all(file, join_lines(lines), false);
  if (std::fclose(file) != 0 && !error) error = errno ? errno : EIO;
  if (error) {
    // Take back the part of the entry that did get written, so that the file
    // keeps exactly its earlier entries.
    if (size_known) fs::resize_file(path, old_size, ec);
    fail("Cannot write file", path, error);
  }
}

void create_folders(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  fs::create_directories(path, ec);
  if (ec && !fs::is_directory(path))
    throw FileError("Cannot create folder \"" + path + "\". " + ec.message());
}

bool remove_file(const std::string& path) {
  return std::remove(path.c_str()) == 0;
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

bool folder_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(path, ec);
}

bool wildcard_match(const std::string& pattern, const std::string& name) {
  // Iterative matcher with one backtrack point for the last '*'.
  std::size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> list_files(const std::string& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(folder.empty() ? "." : folder, ec), end; !ec && it != end;
       it.increment(ec)) {
    // A symbolic link is not listed: it could lead a reader (or a deleting
    // poll) out of the folder it watches.
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec) || it->is_symlink(type_ec)) continue;
    std::string name = it->path().filename().string();
    if (wildcard_match(pattern, name)) names.push_back(std::move(name));
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string to_native_path(const std::string& stored) {
  std::string out = stored;
  std::replace(out.begin(), out.end(), '\\', '/');
  return out;
}

std::string file_name_of(const std::string& path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string folder_of(const std::string& path) {
  const auto pos = path.find_last_of("/\\");
  return pos == std::string::npos ? std::string() : path.substr(0, pos);
}

}  // namespace tarvex::platform
