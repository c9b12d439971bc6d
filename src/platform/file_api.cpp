#include "platform/file_api.h"

#include <cerrno>

#include "platform/file_faults.h"

#include <sys/stat.h>
#include <sys/types.h>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which they need.
#include <aclapi.h>
#include <fcntl.h>
#include <io.h>
#include <sddl.h>
#endif

namespace fs = std::filesystem;

namespace tarvex::platform {

namespace {

// What an operation that a fault point refused gives back.
std::FILE* refused_open(int fault) {
  errno = fault_errno(fault);
  return nullptr;
}

bool refused(int fault) {
  errno = fault_errno(fault);
  return false;
}

std::error_code refused_replace(int fault) {
  return {fault_errno(fault), std::generic_category()};
}

}  // namespace

#ifdef _WIN32

namespace {

std::wstring widen(const std::string& bytes, unsigned code_page, unsigned long flags) {
  if (bytes.empty()) return {};
  const int size = static_cast<int>(bytes.size());
  const int length = MultiByteToWideChar(code_page, flags, bytes.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(code_page, flags, bytes.data(), size, wide.data(), length);
  return wide;
}

std::wstring wide_path(const std::string& path) {
  if (path.empty()) return {};
  std::wstring wide = widen(path, CP_UTF8, MB_ERR_INVALID_CHARS);
  return wide.empty() ? widen(path, CP_ACP, 0) : wide;
}

// An access list that lets the current user alone read and write, and is
// protected from what the folder passes down; freed with LocalFree.
PSECURITY_DESCRIPTOR owner_only_descriptor() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return nullptr;
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::string buffer(size, '\0');
  const bool got = size && GetTokenInformation(token, TokenUser, buffer.data(), size, &size);
  CloseHandle(token);
  if (!got) return nullptr;
  LPWSTR sid = nullptr;
  if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid, &sid))
    return nullptr;
  const std::wstring sddl = L"D:P(A;;FA;;;" + std::wstring(sid) + L")";
  LocalFree(sid);
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                            &descriptor, nullptr))
    return nullptr;
  return descriptor;
}

int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    default:
      return EIO;
  }
}

std::wstring wide_mode(const char* mode) {
  std::wstring out;
  for (; *mode; ++mode) out += static_cast<wchar_t>(*mode);
  return out;
}

}  // namespace

fs::path to_fs_path(const std::string& path) {
  return fs::path(wide_path(path));
}

std::string from_fs_path(const fs::path& path) {
  const std::wstring& wide = path.native();
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, bytes.data(), length, nullptr, nullptr);
  return bytes;
}

std::FILE* open_file(const std::string& path, const char* mode) {
  if (const int fault = file_fault_point(FileOp::Open, path)) return refused_open(fault);
  std::FILE* file = _wfopen(wide_path(path).c_str(), wide_mode(mode).c_str());
  file_opened(file);
  return file;
}

bool delete_file(const std::string& path) {
  if (const int fault = file_fault_point(FileOp::Remove, path)) return refused(fault);
  return DeleteFileW(wide_path(path).c_str()) != 0;
}

std::time_t modified_time(const std::string& path) {
  struct _stat64 info {};
  return _wstat64(wide_path(path).c_str(), &info) == 0 ? static_cast<std::time_t>(info.st_mtime)
                                                       : 0;
}

std::error_code replace_file(const std::string& from, const std::string& to) {
  if (const int fault = file_fault_point(FileOp::Replace, to)) return refused_replace(fault);
  // A plain rename refuses an existing target here; MoveFileEx replaces it
  // in one step on the same volume.
  if (MoveFileExW(wide_path(from).c_str(), wide_path(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return {};
  return {static_cast<int>(GetLastError()), std::system_category()};
}

bool hidden_file(const fs::path& native) {
  const std::wstring name = native.filename().native();
  if (!name.empty() && name[0] == L'.') return true;
  // A file that cannot be looked at is not listed either.
  const DWORD attributes = GetFileAttributesW(native.c_str());
  return attributes == INVALID_FILE_ATTRIBUTES ||
         (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
}

bool restrict_to_owner(const std::string& path) {
  PSECURITY_DESCRIPTOR descriptor = owner_only_descriptor();
  if (!descriptor) return false;
  BOOL present = FALSE, defaulted = FALSE;
  PACL list = nullptr;
  bool done = GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) && present;
  std::wstring wide = wide_path(path);
  done =
      done && SetNamedSecurityInfoW(wide.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, list, nullptr) == ERROR_SUCCESS;
  LocalFree(descriptor);
  return done;
}

std::FILE* create_private_file(const std::string& path) {
  const std::wstring wide = wide_path(path);
  PSECURITY_DESCRIPTOR descriptor = owner_only_descriptor();
  if (!descriptor) {
    errno = EACCES;
    return nullptr;
  }
  SECURITY_ATTRIBUTES security{sizeof security, descriptor, FALSE};
  DeleteFileW(wide.c_str());
  const HANDLE handle = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, &security, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  const DWORD error = GetLastError();
  LocalFree(descriptor);
  if (handle == INVALID_HANDLE_VALUE) {
    errno = errno_of(error);
    return nullptr;
  }
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  if (fd < 0) {
    CloseHandle(handle);
    errno = EIO;
    return nullptr;
  }
  std::FILE* file = _fdopen(fd, "wb");
  if (!file) _close(fd);
  return file;
}

#else

fs::path to_fs_path(const std::string& path) {
  return fs::path(path);
}

std::string from_fs_path(const fs::path& path) {
  return path.native();
}

std::FILE* open_file(const std::string& path, const char* mode) {
  if (const int fault = file_fault_point(FileOp::Open, path)) return refused_open(fault);
  std::FILE* file = std::fopen(path.c_str(), mode);
  file_opened(file);
  return file;
}

bool delete_file(const std::string& path) {
  if (const int fault = file_fault_point(FileOp::Remove, path)) return refused(fault);
  return std::remove(path.c_str()) == 0;
}

std::time_t modified_time(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 ? info.st_mtime : 0;
}

std::error_code replace_file(const std::string& from, const std::string& to) {
  if (const int fault = file_fault_point(FileOp::Replace, to)) return refused_replace(fault);
  if (std::rename(from.c_str(), to.c_str()) == 0) return {};
  return {errno, std::generic_category()};
}

bool hidden_file(const fs::path& native) {
  const std::string name = native.filename().native();
  return !name.empty() && name[0] == '.';
}

bool restrict_to_owner(const std::string& path) {
  std::error_code ec;
  const fs::perms now = fs::status(path, ec).permissions();
  const fs::perms others = fs::perms::group_all | fs::perms::others_all;
  if (!ec && (now & others) != fs::perms::none)
    fs::permissions(path, others, fs::perm_options::remove, ec);
  return !ec;
}

#endif

int close_file(std::FILE* file) {
  const int fault = file_fault_point(FileOp::Close);
  file_closed(file);
  if (fault == kFileOpDead) {
    discard_file(file);
    errno = EIO;
    return EOF;
  }
  const int result = std::fclose(file);
  if (fault) {
    errno = fault_errno(fault);
    return EOF;
  }
  return result;
}

std::size_t read_bytes(std::FILE* file, char* buffer, std::size_t size, int& error) {
  if (const int fault = file_fault_point(FileOp::Read)) {
    error = fault_errno(fault);
    return 0;
  }
  const std::size_t got = std::fread(buffer, 1, size, file);
  if (got < size && std::ferror(file)) error = errno ? errno : EIO;
  return got;
}

std::string current_folder() {
  std::error_code ec;
  const fs::path folder = fs::current_path(ec);
  return ec ? std::string(".") : from_fs_path(folder);
}

}  // namespace tarvex::platform
