#include "outbound/modem_engine_standin.h"

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "app/folders.h"
#include "outbound/outbox_message_file.h"
#include "platform/file_api.h"
#include "platform/local_time.h"
#include "platform/text_file.h"

namespace fs = std::filesystem;

namespace tarvex::outbound {

namespace {

// Cuts one line off the front of text (at LF, with a CR before it); returns
// whether there was a line end.
bool take_line(std::string_view& text, std::string_view& line) {
  const auto end = text.find('\n');
  if (end == std::string_view::npos) return false;
  line = text.substr(0, end);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  text.remove_prefix(end + 1);
  return true;
}

// Line ends inside a body are shown, not obeyed, so one message is one log line.
std::string visible(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\r')
      out += "\\r";
    else if (c == '\n')
      out += "\\n";
    else
      out += c;
  }
  return out;
}

// The tag of "<number>_<tag>.txt".
std::string tag_of(const std::string& name) {
  const auto stem = name.substr(0, name.size() - 4);
  const auto underscore = stem.rfind('_');
  return underscore == std::string::npos ? stem : stem.substr(underscore + 1);
}

std::int64_t modified_ns(const fs::path& path, std::error_code& ec) {
  const auto time = fs::last_write_time(path, ec);
  return ec ? 0 : static_cast<std::int64_t>(time.time_since_epoch().count());
}

}  // namespace

std::optional<OutboxContents> parse_outbox_file(const std::string& bytes) {
  OutboxContents out;
  std::string_view rest(bytes);
  std::string_view first, second;
  std::string_view probe = rest;
  if (take_line(probe, first) && first == kCommandHeader1 && take_line(probe, second) &&
      second.substr(0, 7) == "Report:") {
    out.command_header = true;
    rest = probe;
  }
  if (rest.size() >= 2 && rest.substr(rest.size() - 2) == "\r\n")
    rest.remove_suffix(2);
  else if (!rest.empty() && rest.back() == '\n')
    rest.remove_suffix(1);
  const auto separator = rest.find(kFieldSeparator);
  if (separator == std::string_view::npos) return std::nullopt;
  out.destination = std::string(rest.substr(0, separator));
  if (out.destination.find_first_of("\r\n") != std::string::npos) return std::nullopt;
  out.body = std::string(rest.substr(separator + 3));
  return out;
}

StandinFolders standin_folders(const std::string& start_folder) {
  platform::LineReader setup =
      platform::LineReader::from_file(platform::join_path(start_folder, "setup.txt"));
  const std::string programming = setup.read_line();
  setup.read_line();
  const std::string incoming = setup.read_line();
  if (programming.empty())
    throw std::runtime_error("setup.txt names no programming folder (line 1)");
  if (incoming.empty())
    throw std::runtime_error("setup.txt names no incoming-message folder (line 3)");
  StandinFolders folders{app::resolve_folder(start_folder, programming),
                         app::resolve_folder(start_folder, incoming),
                         platform::join_path(start_folder, kStandinLogFile)};
  // Answers left in the folder it watches would be taken for outbox files.
  const auto same = [](const std::string& a, const std::string& b) {
    const auto normal = [](const std::string& p) {
      fs::path n = platform::to_fs_path(p).lexically_normal();
      return n.has_filename() ? n : n.parent_path();  // "x/" is "x"
    };
    std::error_code ec;
    return normal(a) == normal(b) ||
           fs::equivalent(platform::to_fs_path(a), platform::to_fs_path(b), ec);
  };
  if (same(folders.programming_folder, folders.incoming_folder))
    throw std::runtime_error(
        "setup.txt names the same folder for programming and incoming messages");
  return folders;
}

std::string local_timestamp() {
  return platform::local_now_text("%Y/%m/%d %H:%M:%S");
}

ModemEngineStandin::ModemEngineStandin(StandinFolders folders,
                                       std::function<std::string()> timestamp,
                                       std::int64_t settle_ms)
    : folders_(std::move(folders)), timestamp_(std::move(timestamp)), settle_ms_(settle_ms) {}

void ModemEngineStandin::log(const std::string& text) {
  platform::append_lines(folders_.log_file, {timestamp_() + " " + text});
}

std::string ModemEngineStandin::next_incoming_name() const {
  for (;;) {
    const std::string name = "modem-engine-" + std::to_string(++reply_files_) + ".txt";
    if (!platform::file_exists(platform::join_path(folders_.incoming_folder, name))) return name;
  }
}

int ModemEngineStandin::poll(std::int64_t now_ms) {
  struct Ready {
    std::string name;
    Seen seen;
  };
  std::vector<Ready> ready;
  std::map<std::string, Seen> still_seen;
  for (const std::string& name : platform::list_files(folders_.programming_folder, "*.txt")) {
    const fs::path path =
        platform::to_fs_path(platform::join_path(folders_.programming_folder, name));
    std::error_code ec;
    Seen now{fs::file_size(path, ec), 0, now_ms};
    if (ec) continue;  // gone between the listing and now
    now.modified = modified_ns(path, ec);
    if (ec) continue;
    if (undeletable_.count({name, now.modified})) {
      still_seen[name] = now;
      continue;
    }
    auto before = seen_.find(name);
    if (before != seen_.end() && before->second.size == now.size &&
        before->second.modified == now.modified) {
      now.since = before->second.since;
      if (now_ms - now.since >= settle_ms_ && now_ms > now.since) {
        ready.push_back({name, now});
        continue;
      }
    }
    still_seen[name] = now;
  }
  seen_ = std::move(still_seen);
  std::erase_if(undeletable_, [this](const auto& entry) { return !seen_.count(entry.first); });

  std::sort(ready.begin(), ready.end(), [](const Ready& a, const Ready& b) {
    return a.seen.modified != b.seen.modified ? a.seen.modified < b.seen.modified : a.name < b.name;
  });

  std::vector<std::string> replies;
  for (const Ready& file : ready) {
    const std::string path = platform::join_path(folders_.programming_folder, file.name);
    // Claim the file by renaming it before reading it: a file the programmer
    // puts in its place meanwhile (same name, written and renamed whole) is
    // then a new file, taken on a later round, and never deleted unsent.
    const std::string claimed = path + ".sending";
    if (platform::replace_file(path, claimed)) continue;  // taken away meanwhile; a file still there is looked at again
    std::string bytes;
    try {
      bytes = platform::read_file(claimed);
    } catch (const platform::FileError&) {
      platform::replace_file(claimed, path);
      continue;
    }
    if (bytes.size() != file.seen.size) {
      platform::replace_file(claimed, path);
      seen_[file.name] = {bytes.size(), file.seen.modified, now_ms};  // still growing
      continue;
    }
    const auto message = parse_outbox_file(bytes);
    if (!message) {
      log("not sent, no \",7,\" in " + file.name + ": " + visible(bytes) + " (kept as " +
          file.name + ".bad)");
      if (platform::replace_file(claimed, path + ".bad")) undeletable_.insert({file.name, file.seen.modified});
      continue;
    }
    log("sent to " + message->destination + ": " + visible(message->body) + " (" + file.name +
        (message->command_header ? ", command" : "") + ")");
    if (!platform::remove_file(claimed))
      log("could not delete " + file.name + ".sending; it will not be sent again");
    replies.push_back(message->destination + "," + kStandinReplyField2 + "," + timestamp_() +
                      ",OK, message " + tag_of(file.name) + " received");
  }

  if (!replies.empty()) {
    platform::create_folders(folders_.incoming_folder);
    // write_lines writes "<name>.tmp" first, which the "*.txt" poll never
    // takes, and renames it when complete.
    platform::write_lines(platform::join_path(folders_.incoming_folder, next_incoming_name()),
                          replies);
  }
  return static_cast<int>(replies.size());
}

}  // namespace tarvex::outbound
