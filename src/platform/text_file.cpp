#include "platform/text_file.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <io.h>
#include <windows.h>
#endif

#include "platform/file_api.h"
#include "platform/file_faults.h"

namespace fs = std::filesystem;

namespace tarvex::platform {

namespace {

std::string os_error_text(int error) {
  return std::strerror(error);
}

[[noreturn]] void fail(const std::string& what, const std::string& path, int error) {
  throw FileError(what + " \"" + path + "\". " + os_error_text(error));
}

[[noreturn]] void fail(const std::string& what, const std::string& path, std::error_code error) {
  throw FileError(what + " \"" + path + "\". " + error.message());
}

// A write that a fault point fails gets part of its bytes out first, as a
// disk that fills up mid-write does; a torn one is cut short by a crash.
int faulty_write(std::FILE* file, const std::string& bytes, int fault) {
  if (fault == kFileOpDead) return EIO;
  std::fwrite(bytes.data(), 1, bytes.size() / 2, file);
  std::fflush(file);
  if (fault == kFileOpTorn) throw SimulatedCrash{};
  return fault;
}

// Writes all bytes or reports the errno of the failure. durable: on the disk
// before the caller goes on, for a copy that is about to replace a good file.
// On Windows too: MOVEFILE_WRITE_THROUGH makes the rename durable, not the
// data of the file renamed, so a power cut could leave a zeroed file.
int write_all(std::FILE* file, const std::string& bytes, bool durable) {
  if (const int fault = file_fault_point(FileOp::Write)) return faulty_write(file, bytes, fault);
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size())
    return errno ? errno : EIO;
  if (const int fault = file_fault_point(FileOp::Flush)) return fault_errno(fault);
  if (std::fflush(file) != 0) return errno ? errno : EIO;
#ifndef _WIN32
  if (durable && fsync(fileno(file)) != 0 && errno != EINVAL) return errno;
#else
  if (durable && !FlushFileBuffers(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)))))
    return EIO;
#endif
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
  return read_file(path, UINTMAX_MAX);
}

std::vector<std::string> read_lines(const std::string& path) {
  return split_lines(read_file(path));
}

std::string read_file(const std::string& path, std::uintmax_t max_bytes) {
  const auto too_large = [&] {
    const std::string limit = max_bytes % (1u << 20) == 0 ? std::to_string(max_bytes >> 20) + " MB"
                                                          : std::to_string(max_bytes) + " bytes";
    return FileError("Cannot read file \"" + path + "\". It is larger than " + limit +
                     ", far larger than any file of its kind.");
  };
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(to_fs_path(path), ec);
  if (!ec && size > max_bytes) throw too_large();
  std::FILE* file = open_file(path, "rb");
  if (!file) fail("Cannot open file", path, errno);
  std::string bytes;
  char buffer[65536];
  std::size_t got;
  bool over = false;
  int error = 0;
  while ((got = read_bytes(file, buffer, sizeof buffer, error)) > 0) {
    if (got > max_bytes - bytes.size()) {
      over = true;
      break;
    }
    bytes.append(buffer, got);
  }
  close_file(file);
  if (over) throw too_large();
  if (error) fail("Read error on file", path, error);
  return bytes;
}

std::vector<std::string> read_lines(const std::string& path, std::uintmax_t max_bytes) {
  return split_lines(read_file(path, max_bytes));
}

namespace {

// A temporary file of a fresh name beside path: never one that exists
// already, which may be an operator's own file. owner_only makes it readable
// by its owner alone from the moment it exists.
std::FILE* create_temp(const std::string& path, bool owner_only, std::string& temp) {
  static std::atomic<std::uint64_t> counter{std::random_device{}()};
  for (int attempt = 0; attempt < 100; ++attempt) {
    char unique[24];
    std::snprintf(unique, sizeof unique, ".%08llx.tmp",
                  static_cast<unsigned long long>((counter++ * 0x9E3779B97F4A7C15ull) >> 32));
    temp = path + unique;
#ifdef _WIN32
    if (fs::exists(to_fs_path(temp))) continue;
    if (!owner_only) return open_file(temp, "wb");
    if (const int fault = file_fault_point(FileOp::Open, temp)) {
      errno = fault_errno(fault);
      return nullptr;
    }
    // The start-up folder's access list, which a new file inherits, often lets
    // every user of the PC read it.
    std::FILE* file = create_private_file(temp);
    file_opened(file);
    return file;
#else
    if (const int fault = file_fault_point(FileOp::Open, temp)) {
      errno = fault_errno(fault);
      return nullptr;
    }
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                          owner_only ? S_IRUSR | S_IWUSR : 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) return nullptr;
    std::FILE* file = ::fdopen(fd, "wb");
    if (!file) ::close(fd);
    file_opened(file);
    return file;
#endif
  }
  errno = EEXIST;
  return nullptr;
}

}  // namespace

void sync_folder(const std::string& folder) {
#ifndef _WIN32
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
#else
  (void)folder;  // the one-step replace writes through
#endif
}

namespace {

void rewrite_file(const std::string& path, const std::string& bytes, bool owner_only,
                  bool synced = false) {
  std::string temp;
  // A crash right after the rename must not leave an empty file where the
  // old one stood; a new file (an outbox message) needs no such care unless
  // the caller is about to delete the only other copy.
  const bool replaces = synced || file_exists(path);
  std::FILE* file = create_temp(path, owner_only, temp);
  if (!file) fail("Cannot create file", path, errno);
  int error = write_all(file, bytes, replaces);
  if (close_file(file) != 0 && !error) error = errno ? errno : EIO;
  if (error) {
    delete_file(temp);
    fail("Cannot write file", path, error);
  }
  if (const std::error_code replaced = replace_file(temp, path)) {
    delete_file(temp);
    fail("Cannot replace file", path, replaced);
  }
  if (synced) sync_folder(folder_of(path));
}

}  // namespace

void write_file(const std::string& path, const std::string& bytes) {
  rewrite_file(path, bytes, false);
}

void write_private_file(const std::string& path, const std::string& bytes) {
  rewrite_file(path, bytes, true);
}

void write_synced_file(const std::string& path, const std::string& bytes) {
  rewrite_file(path, bytes, false, true);
}

void write_lines(const std::string& path, const std::vector<std::string>& lines) {
  write_file(path, join_lines(lines));
}

void append_lines(const std::string& path, const std::vector<std::string>& lines) {
  std::error_code ec;
  const fs::path native = to_fs_path(path);
  const bool existed = fs::is_regular_file(native, ec);
  const std::uintmax_t old_size = existed ? fs::file_size(native, ec) : 0;
  const bool size_known = !ec;
  std::FILE* file = open_file(path, "ab");
  if (!file) fail(existed ? "Cannot open file" : "Cannot create file", path, errno);
  int error = write_all(file, join_lines(lines), false);
  if (close_file(file) != 0 && !error) error = errno ? errno : EIO;
  if (error) {
    // Take back the part of the entry that did get written, so that the file
    // keeps exactly its earlier entries.
    if (size_known && !file_fault_point(FileOp::Truncate, path))
      fs::resize_file(native, old_size, ec);
    fail("Cannot write file", path, error);
  }
}

void create_folders(const std::string& path) {
  if (path.empty()) return;
  std::error_code ec;
  const fs::path native = to_fs_path(path);
  if (const int fault = file_fault_point(FileOp::CreateFolder, path))
    ec = {fault_errno(fault), std::generic_category()};
  else
    fs::create_directories(native, ec);
  std::error_code probe;
  if (ec && !fs::is_directory(native, probe))
    throw FileError("Cannot create folder \"" + path + "\". " + ec.message());
}

bool remove_file(const std::string& path) {
  return delete_file(path);
}

bool file_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(to_fs_path(path), ec);
}

bool folder_exists(const std::string& path) {
  std::error_code ec;
  return fs::is_directory(to_fs_path(path), ec);
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
  std::error_code ignored;
  return list_files(folder, pattern, ignored);
}

std::vector<std::string> list_files(const std::string& folder, const std::string& pattern,
                                    std::error_code& error) {
  std::vector<std::string> names;
  std::error_code& ec = error;
  ec.clear();
  if (const int fault = file_fault_point(FileOp::List, folder)) {
    ec = {fault_errno(fault), std::generic_category()};
    return names;
  }
  for (fs::directory_iterator it(to_fs_path(folder.empty() ? "." : folder), ec), end;
       !ec && it != end; it.increment(ec)) {
    // A symbolic link is not listed: it could lead a reader (or a deleting
    // poll) out of the folder it watches. Nor is a file the operator does not
    // see in the folder.
    std::error_code type_ec;
    if (!it->is_regular_file(type_ec) || it->is_symlink(type_ec) || hidden_file(it->path()))
      continue;
    std::string name = from_fs_path(it->path().filename());
    if (wildcard_match(pattern, name)) names.push_back(std::move(name));
  }
  if (ec == std::errc::no_such_file_or_directory) ec.clear();
  std::sort(names.begin(), names.end());
  return names;
}

#ifdef _WIN32
constexpr char kSeparator = '\\';
constexpr char kOtherSeparator = '/';
#else
constexpr char kSeparator = '/';
constexpr char kOtherSeparator = '\\';
#endif

std::string join_path(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == kSeparator || folder.back() == '/') return folder + name;
  return folder + kSeparator + name;
}

std::string to_native_path(const std::string& stored) {
  std::string out = stored;
  std::replace(out.begin(), out.end(), kOtherSeparator, kSeparator);
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
