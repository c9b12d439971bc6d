#pragma once

#include <functional>
#include <optional>
#include <string>

#include "device/device_files.h"
#include "platform/ui.h"

// The open and save steps of the lists kept whole in a folder of their own
// (function files, group files): the folder is made when missing, the dialog
// starts there, and every file error is shown to the operator.
namespace tarvex::outbound {

struct ListFileKind {
  std::string folder;
  const char* filter;       // "Caption|*.ext"
  const char* default_ext;  // without the dot
};

// The path the operator chose, or nothing (cancelled, or the folder could
// not be made: reported).
std::optional<std::string> ask_open_path(platform::Ui& ui, const ListFileKind& kind);
std::optional<std::string> ask_save_path(platform::Ui& ui, const ListFileKind& kind);
// Writes the whole file (never a truncated one); a failure is reported.
bool write_reported(platform::Ui& ui, const std::string& path, const std::string& text);

// Before an operation that would drop a changed list (New, Open, closing the
// window): the unsaved-changes question of the device files.
using device::confirm_discard;

}  // namespace tarvex::outbound
