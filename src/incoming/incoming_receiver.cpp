#include "incoming/incoming_receiver.h"

#include <exception>
#include <filesystem>

#include "app/folders.h"
#include "incoming/incoming_message.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace tarvex::incoming {

IncomingReceiver::IncomingReceiver(app::Session& session, platform::StringGrid& grid)
    : session_(session), grid_(grid) {}

std::string IncomingReceiver::folder() const {
  return app::resolve_folder(session_.start_folder, session_.settings.incoming_folder);
}

std::string IncomingReceiver::counter_caption() const {
  return "Message Count: " + std::to_string(counter_);
}

void IncomingReceiver::clear() {
  clear_message_grid(grid_);
  counter_ = 0;
}

void IncomingReceiver::report_once(const std::string& name, const std::string& text) {
  if (failed_.insert(name).second) session_.ui.message(text);
}

IncomingReceiver::Tick IncomingReceiver::poll() {
  Tick tick;
  if (busy_) return tick;
  busy_ = true;
  const std::string folder = this->folder();
  if (folder.empty()) {
    // Without a folder there is nothing to read, and no other folder may be
    // read in its place.
    if (!told_no_folder_) {
      told_no_folder_ = true;
      session_.ui.message(kNoIncomingFolder);
    }
    busy_ = false;
    return tick;
  }
  told_no_folder_ = false;

  std::map<std::string, ListedFile> now;
  for (ListedFile& file : list_ordinary_files(folder, "*.txt")) now.emplace(file.name, file);
  // Forget what is gone; a file that comes back is a new file.
  std::erase_if(failed_, [&](const std::string& name) { return !now.count(name); });
  std::erase_if(consumed_, [&](const auto& entry) {
    auto it = now.find(entry.first);
    return it == now.end() || !(it->second == entry.second);
  });

  const ListedFile* chosen = nullptr;
  for (int pass = 0; pass < 2 && !chosen; ++pass) {
    for (const auto& [name, file] : now) {
      auto before = seen_.find(name);
      if (before == seen_.end() || !(before->second == file) || consumed_.count(name)) continue;
      // Files that failed wait until no other file is ready.
      if ((pass == 0) == (failed_.count(name) > 0)) continue;
      chosen = &file;
      break;
    }
  }
  if (chosen) take(*chosen, folder, tick);
  seen_ = std::move(now);
  busy_ = false;
  return tick;
}

void IncomingReceiver::take(const ListedFile& file, const std::string& folder, Tick& tick) {
  const std::string path = platform::join_path(folder, file.name);
  std::string bytes;
  try {
    // It was an ordinary file when listed; it must still be one now.
    std::error_code ec;
    if (!fs::is_regular_file(fs::symlink_status(path, ec))) return;
    bytes = read_file(path);
  } catch (const std::exception& e) {
    report_once(file.name, e.what());
    return;
  }
  failed_.erase(file.name);

  for (const std::string& line : platform::split_lines(bytes)) {
    const std::optional<IncomingMessage> message = parse_incoming_line(line);
    if (!message) continue;
    if (session_.scroll_to_newest && grid_.row_count() > 10) tick.top_row = grid_.row_count() - 8;
    append_message_row(grid_, message->cells());
    ++counter_;
    ++tick.accepted;
  }

  if (!remove_file(path)) {
    consumed_[file.name] = file;
    report_once(file.name, "Could not delete the incoming message file " + path);
  }
}

}  // namespace tarvex::incoming
