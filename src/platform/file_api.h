#pragma once

#include <cstddef>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <system_error>

// Where a path (bytes, see below) meets the operating system's file API.
//
// A path travels through the program as bytes in the file system's encoding:
// on Linux the bytes the kernel takes; on Windows UTF-8, handed to the wide
// (UTF-16) file API so that no character is lost to the ANSI code page.
// Bytes that are no valid UTF-8 there are read in the ANSI code page, as
// settings files written by older programs hold them.
namespace tarvex::platform {

std::filesystem::path to_fs_path(const std::string& path);
std::string from_fs_path(const std::filesystem::path& path);

// fopen() for a path; errno says why it failed.
std::FILE* open_file(const std::string& path, const char* mode);

// fclose() for a stream of open_file(); EOF and errno when it failed. The
// stream is gone either way.
int close_file(std::FILE* file);

// fread() of up to size bytes; error is set to the errno of a failed read.
std::size_t read_bytes(std::FILE* file, char* buffer, std::size_t size, int& error);

// Deletes an ordinary file.
bool delete_file(const std::string& path);

// Puts from in the place of to in one step: whoever opens to sees either the
// old or the new file, never none and never half of one.
std::error_code replace_file(const std::string& from, const std::string& to);

// The modification time of a file in seconds since 1970, or 0 when it has
// none (a missing file).
std::time_t modified_time(const std::string& path);

// The current folder of the process, as a path.
std::string current_folder();

// Whether a listed file is one a folder view does not show: a name that
// starts with "." and, on Windows, a file marked hidden or system.
bool hidden_file(const std::filesystem::path& native);

// Makes an existing file readable and writable by its owner alone: on
// Windows an access list naming the current user only and inheriting
// nothing from the folder, elsewhere no permission bits for group or others.
bool restrict_to_owner(const std::string& path);

#ifdef _WIN32
// Creates path afresh for writing (an old file of the name is deleted first)
// with the access list of restrict_to_owner from the moment it exists; errno
// says why it failed.
std::FILE* create_private_file(const std::string& path);
#endif

}  // namespace tarvex::platform
