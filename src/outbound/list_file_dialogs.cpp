#include "outbound/list_file_dialogs.h"

#include "device/device_files.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

std::optional<platform::FileDialogRequest> dialog_in(platform::Ui& ui, const ListFileKind& kind) {
  try {
    platform::create_folders(kind.folder);
  } catch (const platform::FileError& e) {
    ui.message(e.what());
    return std::nullopt;
  }
  platform::FileDialogRequest request;
  request.folder = kind.folder;
  request.filter = kind.filter;
  request.default_ext = kind.default_ext;
  return request;
}

}  // namespace

std::optional<std::string> ask_open_path(platform::Ui& ui, const ListFileKind& kind) {
  const auto request = dialog_in(ui, kind);
  return request ? ui.open_file(*request) : std::nullopt;
}

std::optional<std::string> ask_save_path(platform::Ui& ui, const ListFileKind& kind) {
  const auto request = dialog_in(ui, kind);
  return request ? ui.save_file(*request) : std::nullopt;
}

bool write_reported(platform::Ui& ui, const std::string& path, const std::string& text) {
  try {
    platform::write_file(path, text);
  } catch (const platform::FileError& e) {
    ui.message(e.what());
    return false;
  }
  return true;
}

}  // namespace tarvex::outbound
