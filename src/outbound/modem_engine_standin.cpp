#include "outbound/modem_engine_standin.h"

#include <algorithm>
#include <ctime>
#include <set>
#include <stdexcept>
#include <vector>

#include "app/folders.h"
#include "outbound/outbox_message_file.h"
#include "platform/file_api.h"
#include "platform/local_time.h"
#include "platform/text_file.h"

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

}  // namespace

std::string outbox_file_tag(const std::string& name) {
  const auto stem = name.size() > 4 ? name.substr(0, name.size() - 4) : name;
  const auto underscore = stem.rfind('_');
  return underscore == std::string::npos ? stem : stem.substr(underscore + 1);
}

std::optional<OutboxContents> parse_outbox_file(const std::string& bytes) {
  OutboxContents out;
  std::string_view rest(bytes);
  std::string_view first, second;
  std::string_view probe = rest;
  if (take_line(probe, first) && first == kCommandHeader1 && take_line(probe, second) &&
      second.substr(0, 7) == "Report:") {
    out.command_header = true;
    out.report = std::string(second.substr(7));
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

EngineFolders engine_folders(const std::string& start_folder, const std::string& log_name) {
  platform::LineReader setup =
      platform::LineReader::from_file(platform::join_path(start_folder, "setup.txt"));
  const std::string programming = setup.read_line();
  setup.read_line();
  const std::string incoming = setup.read_line();
  setup.read_line();
  const std::string unit_log = setup.read_line();
  if (programming.empty())
    throw std::runtime_error("setup.txt names no programming folder (line 1)");
  if (incoming.empty())
    throw std::runtime_error("setup.txt names no incoming-message folder (line 3)");
  EngineFolders folders{
      app::resolve_folder(start_folder, programming), app::resolve_folder(start_folder, incoming),
      platform::join_path(start_folder, log_name), app::resolve_folder(start_folder, unit_log)};
  // Answers left in the folder it watches would be taken for outbox files.
  if (app::same_folder(folders.programming_folder, folders.incoming_folder))
    throw std::runtime_error(
        "setup.txt names the same folder for programming and incoming messages");
  return folders;
}

std::string write_incoming_file(const std::string& folder, const std::string& prefix,
                                unsigned& counter, const std::vector<std::string>& lines) {
  platform::create_folders(folder);
  std::string path;
  do {
    path = platform::join_path(folder, prefix + std::to_string(++counter) + ".txt");
  } while (platform::file_exists(path));
  // write_lines writes "<name>.<hex>.tmp" first, which the "*.txt" poll
  // never takes, and renames it when complete.
  platform::write_lines(path, lines);
  return path;
}

std::string local_timestamp() {
  return local_time_text(std::time(nullptr));
}

std::string local_time_text(std::time_t time) {
  return platform::format_local_time(time, "%Y/%m/%d %H:%M:%S");
}

ModemEngineStandin::ModemEngineStandin(EngineFolders folders,
                                       std::function<std::string()> timestamp,
                                       std::int64_t settle_ms)
    : folders_(std::move(folders)),
      timestamp_(std::move(timestamp)),
      outbox_(folders_.programming_folder, "*.txt", settle_ms) {}

void ModemEngineStandin::log(const std::string& text) {
  platform::append_lines(folders_.log_file, {timestamp_() + " " + text});
}

namespace {

constexpr const char* kClaimedSuffix = ".sending";
// The answers of one poll wait under this name, which the "*.txt" poll of
// the incoming folder never takes, until the files they answer are gone.
constexpr const char* kWaitingAnswersSuffix = ".answers";

std::string without_suffix(const std::string& name, const std::string& suffix) {
  return name.substr(0, name.size() - suffix.size());
}

}  // namespace

bool ModemEngineStandin::finish_hand_over() {
  const std::string& outbox = folders_.programming_folder;
  // A folder that can not be read tells nothing: guessing would answer a
  // message twice or never.
  std::error_code unread_outbox, unread_incoming;
  const auto claimed =
      platform::list_files(outbox, std::string("*.txt") + kClaimedSuffix, unread_outbox);
  const auto waiting = platform::list_files(
      folders_.incoming_folder, std::string(kAnswerFilePrefix) + "*" + kWaitingAnswersSuffix,
      unread_incoming);
  if (unread_outbox || unread_incoming) return false;
  // A write cut short leaves its temporary copy; it was never renamed, so
  // nothing refers to it. The engine is the one writer of these names.
  for (const std::string& name :
       platform::list_files(folders_.incoming_folder, std::string(kAnswerFilePrefix) + "*.tmp"))
    platform::remove_file(platform::join_path(folders_.incoming_folder, name));
  if (waiting.empty()) {
    // Claimed but never answered: back into the outbox, to be sent again.
    bool all_back = true;
    for (const std::string& name : claimed)
      all_back &= !platform::replace_file(
          platform::join_path(outbox, name),
          platform::join_path(outbox, without_suffix(name, kClaimedSuffix)));
    return all_back;
  }
  // Answered: the claimed files are done with, then the answers go out.
  for (const std::string& name : claimed) {
    const std::string path = platform::join_path(outbox, name);
    // One that can not be deleted is set aside under a name never taken again.
    if (!platform::remove_file(path) &&
        platform::replace_file(path, without_suffix(path, kClaimedSuffix) + ".sent"))
      return false;
  }
  bool all_out = true;
  for (const std::string& name : waiting) {
    const std::string path = platform::join_path(folders_.incoming_folder, name);
    all_out &= !platform::replace_file(path, without_suffix(path, kWaitingAnswersSuffix) + ".txt");
  }
  return all_out;
}

int ModemEngineStandin::poll(std::int64_t now_ms) {
  // What a crash or a fault cut short is finished before anything new is
  // taken, so that every message is answered once.
  if (!finish_hand_over()) return 0;
  std::vector<std::string> replies;
  std::vector<std::string> sent;
  std::set<std::string> answered;  // the claims' names
  // Claim each file by renaming it before reading it: a file the programmer
  // puts in its place meanwhile is then a new file, never deleted unsent.
  const auto claim = [this](const std::string& name) {
    return platform::join_path(folders_.programming_folder, name + kClaimedSuffix);
  };
  for (const ClaimedFile& file : outbox_.take(now_ms, claim)) {
    const std::string path = platform::join_path(folders_.programming_folder, file.name);
    const auto message = parse_outbox_file(file.bytes);
    if (!message) {
      const std::error_code ec = platform::replace_file(file.claimed_path, path + ".bad");
      log("not sent, no \",7,\" in " + file.name + ": " + visible(file.bytes) + " (kept as " +
          file.name + (ec ? ".sending)" : ".bad)"));
      continue;
    }
    answered.insert(platform::file_name_of(file.claimed_path));
    sent.push_back("sent to " + message->destination + ": " + visible(message->body) + " (" +
                   file.name + (message->command_header ? ", command" : "") + ")");
    replies.push_back(message->destination + "," + kStandinReplyField2 + "," + timestamp_() +
                      ",OK, message " + outbox_file_tag(file.name) + " received");
  }
  if (replies.empty()) return 0;
  // A file that could be neither read nor put back (nor set aside as bad)
  // is still claimed but not answered: the answers would take it along as
  // answered. Everything goes back into the outbox instead, to be sent again.
  std::error_code unread;
  const auto claimed = platform::list_files(folders_.programming_folder,
                                            std::string("*.txt") + kClaimedSuffix, unread);
  if (unread || std::any_of(claimed.begin(), claimed.end(),
                            [&](const std::string& name) { return !answered.count(name); })) {
    finish_hand_over();
    return 0;
  }

  // The answers, complete under their waiting name, are the point of no
  // return: before it the claimed files go back into the outbox, after it
  // they are done with.
  try {
    platform::create_folders(folders_.incoming_folder);
    std::string waiting;
    do {
      waiting = platform::join_path(folders_.incoming_folder,
                                    kAnswerFilePrefix + std::to_string(++reply_files_));
    } while (platform::file_exists(waiting + ".txt") ||
             platform::file_exists(waiting + kWaitingAnswersSuffix));
    platform::write_lines(waiting + kWaitingAnswersSuffix, replies);
  } catch (const platform::FileError&) {
    finish_hand_over();
    throw;
  }
  std::optional<platform::FileError> log_failure;
  try {
    for (const std::string& line : sent) log(line);
  } catch (const platform::FileError& e) {
    log_failure = e;
  }
  finish_hand_over();
  if (log_failure) throw *log_failure;
  return static_cast<int>(replies.size());
}

}  // namespace tarvex::outbound
