#include "incoming/incoming_receiver.h"

#include <algorithm>
#include <exception>
#include <string_view>
#include <system_error>

#include "app/folders.h"
#include "incoming/incoming_message.h"
#include "platform/text_file.h"

namespace tarvex::incoming {

namespace {
constexpr int kNewLooksPerTick = 32;
}  // namespace

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

bool IncomingReceiver::unchanged_for_a_while(const std::string& name) const {
  const auto seen = seen_.find(name);
  return seen != seen_.end() &&
         session_.scheduler.now_ms() - seen->second.since_ms >= kUnfinishedWaitMs;
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

  std::error_code unlisted;
  const std::vector<std::string> names = platform::list_files(folder, "*.txt", unlisted);
  if (unlisted) {
    // A listing that failed tells nothing of what is gone.
    busy_ = false;
    return tick;
  }
  auto listed = [&](const std::string& name) {
    return std::binary_search(names.begin(), names.end(), name);
  };
  // Forget what is gone; a file that comes back is a new file.
  std::erase_if(seen_, [&](const auto& entry) { return !listed(entry.first); });
  std::erase_if(consumed_, [&](const auto& entry) { return !listed(entry.first); });
  std::erase_if(unfinished_, [&](const auto& entry) { return !listed(entry.first); });
  std::erase_if(failed_, [&](const std::string& name) { return !listed(name); });

  // Files are looked at in order until one is ready, and only a few new ones
  // each tick (before or after it), so that a tick after a burst of files
  // stays short while the looks keep ahead of the one take per tick.
  std::optional<ListedFile> chosen, retry;
  int new_looks = 0;
  for (const std::string& name : names) {
    auto before = seen_.find(name);
    if (before == seen_.end()) {
      if (++new_looks > kNewLooksPerTick) break;
    } else if (chosen) {
      continue;
    }
    const std::optional<ListedFile> file = look_at_file(folder, name);
    if (!file) continue;
    const bool settled = before != seen_.end() && before->second.file == *file;
    if (!settled) seen_[name] = {*file, session_.scheduler.now_ms()};
    if (chosen || !settled) continue;
    // Created but not written yet.
    if (file->size == 0 && !unchanged_for_a_while(name)) continue;
    if (auto part = unfinished_.find(name); part != unfinished_.end()) {
      if (part->second == *file && !unchanged_for_a_while(name)) continue;
      unfinished_.erase(part);
    }
    if (auto done = consumed_.find(name); done != consumed_.end() && done->second.file == *file) {
      // Shown already: only its deletion is left.
      if (remove_file(platform::join_path(folder, name))) consumed_.erase(done);
      continue;
    }
    // Files that failed wait until no other file is ready.
    if (failed_.count(name)) {
      if (!retry) retry = file;
      continue;
    }
    chosen = file;
  }
  if (!chosen) chosen = retry;
  if (chosen) take(*chosen, folder, tick);
  busy_ = false;
  return tick;
}

void IncomingReceiver::take(const ListedFile& file, const std::string& folder, Tick& tick) {
  const std::string path = platform::join_path(folder, file.name);
  std::string bytes;
  try {
    bytes = read_file(path);
  } catch (const std::exception& e) {
    report_once(file.name, e.what());
    return;
  }
  failed_.erase(file.name);
  // A writer that stopped in the middle of a line may not be done.
  if (!bytes.empty() && bytes.back() != '\n' && !unchanged_for_a_while(file.name)) {
    unfinished_[file.name] = file;
    return;
  }
  // Written to since the look that chose it, or while it was read: what was
  // read may be a part only, and the rest would go with the file.
  if (look_at_file(folder, file.name) != file) return;

  // Written to since it was shown and could not be deleted: what was shown
  // then is not shown again, unless the file was written anew.
  std::string_view unshown = bytes;
  if (auto done = consumed_.find(file.name);
      done != consumed_.end() && unshown.starts_with(done->second.bytes))
    unshown.remove_prefix(done->second.bytes.size());
  const bool removed = remove_file(path);
  for (const std::string& line : platform::split_lines(std::string(unshown))) {
    const std::optional<IncomingMessage> message = parse_incoming_line(line);
    if (!message) continue;
    if (session_.scroll_to_newest && grid_.row_count() > 10) tick.top_row = grid_.row_count() - 8;
    append_message_row(grid_, message->cells());
    ++counter_;
    ++tick.accepted;
  }

  if (removed) {
    consumed_.erase(file.name);
  } else {
    consumed_[file.name] = {file, std::move(bytes)};
    report_once(file.name, "Could not delete the incoming message file " + path);
  }
}

}  // namespace tarvex::incoming
