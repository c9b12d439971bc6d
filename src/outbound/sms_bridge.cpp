#include "outbound/sms_bridge.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/file_api.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

// What the program's incoming grid and unit log viewer take in field 4.
constexpr std::size_t kLineTextLimit = 160;

std::string with_blanks_for(std::string text, const char* characters) {
  std::replace_if(
      text.begin(), text.end(),
      [characters](char c) { return std::string_view(characters).find(c) != std::string::npos; },
      ' ');
  return text;
}

constexpr std::string_view kClaimed = ".sending";
constexpr std::string_view kHanded = ".handed";

// "<name>.<serial>.sending": the outbox file <name>, claimed for hand-over
// serial; "<name>.<serial>.handed" once the gateway has it.
std::optional<std::uint64_t> claim_serial(const std::string& claimed_name,
                                          std::string_view suffix = kClaimed) {
  if (claimed_name.size() <= suffix.size() ||
      claimed_name.compare(claimed_name.size() - suffix.size(), suffix.size(), suffix) != 0)
    return std::nullopt;
  const std::string stem = claimed_name.substr(0, claimed_name.size() - suffix.size());
  const auto dot = stem.rfind('.');
  if (dot == std::string::npos || dot + 1 == stem.size() || dot + 21 < stem.size())
    return std::nullopt;
  const std::string digits = stem.substr(dot + 1);
  if (!std::all_of(digits.begin(), digits.end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return std::nullopt;
  return std::stoull(digits);
}

// The number in front of the tag of "<number>_<tag>.txt", for reports about
// a file that holds no usable number.
std::string number_of_name(const std::string& name) {
  const auto underscore = name.rfind('_');
  return underscore == std::string::npos ? name : name.substr(0, underscore);
}

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Septets a Latin-1 character takes in the GSM 7-bit alphabet: 1 in its
// basic table, 2 in its extension table, 0 when it has none.
int gsm_septets(unsigned char c) {
  static constexpr std::string_view kExtension = "\f^{}\\[~]|";
  static constexpr std::string_view kBasicLatin1 =
      "\xA1\xA3\xA4\xA5\xA7\xBF\xC4\xC5\xC6\xC9\xD1\xD6\xD8\xDC\xDF"
      "\xE0\xE4\xE5\xE6\xE8\xE9\xEC\xF1\xF2\xF6\xF8\xF9\xFC";
  if (c == '\n' || c == '\r') return 1;
  if (kExtension.find(static_cast<char>(c)) != std::string_view::npos) return 2;
  if (c >= 0x20 && c < 0x7F) return c == '`' ? 0 : 1;
  return kBasicLatin1.find(static_cast<char>(c)) != std::string_view::npos ? 1 : 0;
}

// What of lines is still to go into a file that a run stopped while
// appending them may hold in part or whole already: the longest start of
// their bytes that the file ends with counts as written. Throws
// platform::FileError when the file is there but can not be read.
std::vector<std::string> still_to_append(const std::string& path,
                                         const std::vector<std::string>& lines) {
  const std::string bytes = platform::join_lines(lines);
  std::string tail;
  if (std::FILE* file = platform::open_file(path, "rb")) {
    long from = std::fseek(file, 0, SEEK_END) == 0 ? std::ftell(file) : -1;
    from = std::max(0L, from - static_cast<long>(bytes.size()));
    tail.resize(bytes.size());
    int error = std::fseek(file, from, SEEK_SET) == 0 ? 0 : EIO;
    if (!error) tail.resize(platform::read_bytes(file, tail.data(), tail.size(), error));
    platform::close_file(file);
    if (error) throw platform::FileError("Read error on file \"" + path + "\".");
  } else if (platform::file_exists(path)) {
    throw platform::FileError("Cannot open file \"" + path + "\".");
  }
  std::size_t written = std::min(tail.size(), bytes.size());
  while (written > 0 && tail.compare(tail.size() - written, written, bytes, 0, written) != 0)
    --written;
  if (written > 0 && bytes[written - 1] == '\r') --written;  // the line end goes on whole
  // The rest of a line cut short, then the lines after it.
  std::vector<std::string> rest;
  std::size_t start = 0;
  for (const std::string& line : lines) {
    const std::size_t end = start + line.size() + 2;
    if (end > written) rest.push_back(line.substr(written > start ? written - start : 0));
    start = end;
  }
  return rest;
}

// How many rounds a batch waits for a unit log that can not be written
// before its lines go to the bridge's log instead (about 5 s in the
// program): meanwhile nothing new is passed on.
constexpr int kUnitLogTries = 25;

}  // namespace

bool BridgeFiles::remove(const std::string& path) {
  return platform::remove_file(path);
}

std::error_code BridgeFiles::rename(const std::string& from, const std::string& to) {
  return platform::replace_file(from, to);
}

void BridgeFiles::write(const std::string& path, const std::string& bytes) {
  platform::write_synced_file(path, bytes);
}

void BridgeFiles::sync_folder(const std::string& folder) {
  platform::sync_folder(folder);
}

void BridgeFiles::append(const std::string& path, const std::vector<std::string>& lines) {
  platform::append_lines(path, lines);
}

BridgeFiles& system_bridge_files() {
  static BridgeFiles files;
  return files;
}

BridgeSettings read_bridge_settings(const std::string& path) {
  BridgeSettings settings;
  if (!platform::file_exists(path)) return settings;
  for (const std::string& raw : platform::read_lines(path, 1u << 16)) {
    const std::string line = trimmed(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';' || line[0] == '[') continue;
    const auto equals = line.find('=');
    const std::string key = lower(trimmed(line.substr(0, equals)));
    const std::string value =
        equals == std::string::npos ? "" : lower(trimmed(line.substr(equals + 1)));
    const bool yes = value == "yes" || value == "true" || value == "on" || value == "1";
    const bool no = value == "no" || value == "false" || value == "off" || value == "0";
    if (key != "multipart" || !(yes || no))
      throw std::runtime_error("\"" + raw + "\" in " + path +
                               " is not understood; the bridge knows \"multipart = yes\" and "
                               "\"multipart = no\"");
    settings.multipart = yes;
  }
  return settings;
}

SmsSize sms_size(const std::string& text) {
  SmsSize size;
  for (char c : text) {
    const int septets = gsm_septets(static_cast<unsigned char>(c));
    if (septets == 0) size.unicode = true;
    size.units += static_cast<std::size_t>(septets);
  }
  if (size.unicode) size.units = text.size();
  const std::size_t single = size.unicode ? 70 : 160;
  const std::size_t linked = size.unicode ? 67 : 153;
  size.parts = size.units <= single ? 1 : static_cast<int>((size.units + linked - 1) / linked);
  return size;
}

const char* outcome_field(GatewayOutcome outcome) {
  switch (outcome) {
    case GatewayOutcome::received:
      return "received";
    case GatewayOutcome::sent:
      return "sent";
    case GatewayOutcome::failed:
      return "failed";
    case GatewayOutcome::report:
      return "report";
  }
  return "";
}

std::optional<std::string> dialable_number(const std::string& typed) {
  std::string number;
  for (char c : typed)
    if (std::string_view(" -().").find(c) == std::string_view::npos) number += c;
  const std::size_t digits_from = !number.empty() && number[0] == '+' ? 1 : 0;
  if (number.size() == digits_from || number.size() > 20 + digits_from) return std::nullopt;
  for (std::size_t i = digits_from; i < number.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(number[i]))) return std::nullopt;
  return number;
}

std::vector<std::string> incoming_lines(const GatewayEvent& event, const std::string& time) {
  std::string text = with_blanks_for(event.text, "\r\n");
  switch (event.outcome) {
    case GatewayOutcome::received:
      break;
    case GatewayOutcome::sent:
      text = "Sent: " + text;
      break;
    case GatewayOutcome::failed:
      text = "Not sent: " + text;
      break;
    case GatewayOutcome::report:
      text = "Delivery report: " + text;
      break;
  }
  const std::string head = with_blanks_for(event.number, ",\r\n") + "," +
                           outcome_field(event.outcome) + "," + time + ",";
  std::vector<std::string> lines;
  std::size_t from = 0;
  do {
    lines.push_back(head + text.substr(from, kLineTextLimit));
    from += kLineTextLimit;
  } while (from < text.size());
  return lines;
}

SmsBridge::SmsBridge(EngineFolders folders, SmsGateway& gateway,
                     std::function<std::int64_t()> wall_ms, std::int64_t settle_ms,
                     BridgeSettings settings, BridgeFiles& files)
    : folders_(std::move(folders)),
      gateway_(gateway),
      wall_ms_(std::move(wall_ms)),
      settings_(settings),
      files_(files),
      outbox_(folders_.programming_folder, "*.txt", settle_ms),
      state_path_(platform::join_path(platform::folder_of(folders_.log_file), kBridgeStateFile)) {
  read_state();
}

void SmsBridge::log(const std::string& text) {
  files_.append(folders_.log_file,
                {local_time_text(static_cast<std::time_t>(wall_ms_() / 1000)) + " " + text});
}

void SmsBridge::note(const std::string& text) {
  try {
    log(text);
  } catch (const std::exception& e) {
    // A log that can not be written ends nothing: the round goes on.
    std::fprintf(stderr, "tarvex-sms-bridge: %s (%s)\n", text.c_str(), e.what());
  }
}

void SmsBridge::note_once(const std::string& key, const std::string& text) {
  if (noted_.insert(key).second) note(text);
}

std::uint64_t SmsBridge::next_serial() {
  // The wall clock in milliseconds, so that a restarted bridge goes on past
  // the serials of its earlier run.
  last_serial_ = std::max<std::uint64_t>(last_serial_ + 1, static_cast<std::uint64_t>(wall_ms_()));
  return last_serial_;
}

std::string SmsBridge::incoming_path(std::uint64_t id, const char* extension) const {
  return platform::join_path(folders_.incoming_folder,
                             "sms-bridge-" + std::to_string(id) + extension);
}

bool SmsBridge::told(const std::string& file) const {
  const auto same = [&](const Record& r) { return r.file == file; };
  return std::any_of(passed_.begin(), passed_.end(), same) ||
         (batch_ && std::any_of(batch_->records.begin(), batch_->records.end(), same));
}

void SmsBridge::read_state() {
  read_state_file();
  // Copies that a stop cut short before they were renamed into place;
  // nothing refers to them.
  const std::string beside = platform::folder_of(state_path_);
  for (const auto& [folder, pattern] :
       {std::pair{folders_.incoming_folder, std::string("sms-bridge-*.tmp")},
        std::pair{beside, std::string(kBridgeStateFile) + ".*.tmp"}})
    for (const std::string& name : platform::list_files(folder, pattern))
      files_.remove(platform::join_path(folder, name));
  // An incoming file written by a run that stopped before it was on record:
  // its lines are told again, under another name.
  for (const std::string& name :
       platform::list_files(folders_.incoming_folder, "sms-bridge-*.pending"))
    if (!batch_ || platform::join_path(folders_.incoming_folder, name) !=
                       incoming_path(batch_->id, ".pending"))
      files_.remove(platform::join_path(folders_.incoming_folder, name));
}

void SmsBridge::read_state_file() {
  if (!platform::file_exists(state_path_)) return;
  const auto record = [](const std::string& rest) {
    const auto blank = rest.find(' ');
    Record r;
    if (blank == std::string::npos) return r;
    r.serial = std::strtoull(rest.substr(0, blank).c_str(), nullptr, 10);
    r.file = rest.substr(blank + 1);
    return r;
  };
  for (const std::string& line : platform::read_lines(state_path_)) {
    const auto blank = line.find(' ');
    if (blank == std::string::npos) continue;
    const std::string kind = line.substr(0, blank);
    const std::string rest = line.substr(blank + 1);
    if (kind == "passed") {
      passed_.push_back(record(rest));
    } else if (kind == "batch") {
      batch_ = Batch{std::strtoull(rest.c_str(), nullptr, 10), {}, {}, true};
      last_batch_ = std::max(last_batch_, batch_->id);
    } else if (kind == "line" && batch_) {
      batch_->lines.push_back(rest);
    } else if (kind == "record" && batch_) {
      batch_->records.push_back(record(rest));
    }
  }
}

bool SmsBridge::save_state() {
  std::vector<std::string> lines;
  for (const Record& r : passed_)
    lines.push_back("passed " + std::to_string(r.serial) + " " + r.file);
  if (batch_ && batch_->in_state_file) {
    lines.push_back("batch " + std::to_string(batch_->id));
    for (const auto& line : batch_->lines) lines.push_back("line " + line);
    for (const Record& r : batch_->records)
      lines.push_back("record " + std::to_string(r.serial) + " " + r.file);
  }
  try {
    if (lines.empty() && (files_.remove(state_path_) || !platform::file_exists(state_path_))) {
      state_dirty_ = false;
      return true;
    }
    files_.write(state_path_, platform::join_lines(lines));
  } catch (const platform::FileError& e) {
    state_dirty_ = true;
    note_once(e.what(), e.what());
    return false;
  }
  state_dirty_ = false;
  return true;
}

int SmsBridge::poll(std::int64_t now_ms) {
  Batch round = std::move(held_);
  held_ = {};
  int handled = 0;
  stuck_serials_.clear();
  const std::string& outbox = folders_.programming_folder;

  // Claims whose message the gateway has: only their deletion is left.
  for (const std::string& handed : platform::list_files(outbox, "*.handed")) {
    if (!claim_serial(handed, kHanded)) continue;
    const std::string path = platform::join_path(outbox, handed);
    if (!files_.remove(path))
      note_once(path, "could not delete " + handed +
                          "; its message is with the gateway and is not sent again");
  }

  // Claims left by a run that stopped between the claim and its end, and
  // claims that could not be cleared.
  for (const std::string& claimed : platform::list_files(outbox, "*.sending")) {
    const auto serial = claim_serial(claimed);
    if (!serial) continue;  // not one of ours
    const std::string name = claimed.substr(0, claimed.rfind('.', claimed.size() - 9));
    const Claim claim{name, platform::join_path(outbox, claimed), *serial};
    last_serial_ = std::max(last_serial_, *serial);
    try {
      // Not known is not "no": a guess would hand the message over twice.
      if (gateway_.holds(*serial)) {
        clear_claim(claim);
        continue;
      }
      // Refused, and waiting to be set aside.
      const auto same = [&](const Record& r) { return r.file == claim.claimed_path; };
      if (told(claim.claimed_path) || std::any_of(round.records.begin(), round.records.end(), same))
        continue;
      hand_over(claim, platform::read_file(claim.claimed_path), round);
      ++handled;
    } catch (const platform::FileError& e) {
      note_once(e.what(), e.what());
    }
  }

  const auto claim_path = [&](const std::string& name) {
    // The serial goes into the claim's name before the gateway sees the
    // message, so that a restart can tell whether the hand-over happened.
    return platform::join_path(outbox, name + "." + std::to_string(next_serial()) + ".sending");
  };
  for (const ClaimedFile& file : outbox_.take(now_ms, claim_path)) {
    const std::string claimed = platform::file_name_of(file.claimed_path);
    const Claim claim{file.name, file.claimed_path, *claim_serial(claimed)};
    try {
      hand_over(claim, file.bytes, round);
      ++handled;
    } catch (const platform::FileError& e) {
      // The claim stays and is handed over on a later round.
      note_once(e.what(), e.what());
    }
  }

  if (batch_) {
    // Told half-way by an earlier round or run: that comes first, as it was.
    held_ = std::move(round);
    handled += static_cast<int>(batch_->records.size());
    tell(*batch_);
  } else {
    Batch batch = std::move(round);
    for (const GatewayEvent& event : gateway_.events(now_ms)) {
      if (told(event.file)) continue;
      const std::time_t when =
          event.time ? event.time : static_cast<std::time_t>(wall_ms_() / 1000);
      for (auto& line : incoming_lines(event, local_time_text(when))) batch.lines.push_back(line);
      note(std::string(outcome_field(event.outcome)) + " " + event.number + ": " +
           with_blanks_for(event.text, "\r\n") + " (" + platform::file_name_of(event.file) + ")");
      batch.records.push_back({event.serial, event.file});
      ++handled;
    }
    if (!batch.lines.empty()) {
      last_batch_ =
          std::max<std::uint64_t>(last_batch_ + 1, static_cast<std::uint64_t>(wall_ms_()));
      // Never the name of a file that the program has not taken yet.
      while (platform::file_exists(incoming_path(last_batch_, ".txt")) ||
             platform::file_exists(incoming_path(last_batch_, ".pending")))
        ++last_batch_;
      batch.id = last_batch_;
      batch_ = std::move(batch);
      tell(*batch_);
    }
  }
  finish_passed();
  return handled;
}

void SmsBridge::tell(Batch& batch) {
  const std::string pending = incoming_path(batch.id, ".pending");
  const std::string published = incoming_path(batch.id, ".txt");
  if (!batch.in_state_file) {
    // Written whole under a name the program's "*.txt" poll never takes, and
    // on record before it is put in place: a stop at any point after this
    // either puts this very file in place or knows that it is there.
    platform::create_folders(folders_.incoming_folder);
    files_.write(pending, platform::join_lines(batch.lines));
    batch.in_state_file = true;
    if (!save_state()) {
      batch.in_state_file = false;
      files_.remove(pending);
      throw platform::FileError("Cannot write file \"" + state_path_ + "\".");
    }
  }
  bool fresh = false;
  if (platform::file_exists(pending)) {
    if (const std::error_code ec = files_.rename(pending, published))
      throw platform::FileError("Cannot replace file \"" + published + "\". " + ec.message());
    fresh = true;
  }
  const std::string& unit_log = folders_.unit_log_file;
  if (!unit_log.empty()) {
    try {
      // A run stopped after putting the file in place, or a failed append,
      // may have left the lines in the unit log in part or whole.
      const auto rest = fresh ? batch.lines : still_to_append(unit_log, batch.lines);
      if (!rest.empty()) files_.append(unit_log, rest);
    } catch (const platform::FileError& e) {
      if (++unit_log_failures_ < kUnitLogTries) {
        // On record still: tried again next round.
        note_once(e.what(), e.what());
        return;
      }
      // The incoming file has them; keep them here too rather than lose them
      // from the unit log's story.
      note(std::string(e.what()) + "; not in the unit log:");
      for (const auto& line : batch.lines) note("  " + line);
    }
  }
  unit_log_failures_ = 0;
  passed_.insert(passed_.end(), batch.records.begin(), batch.records.end());
  batch_.reset();
  save_state();
}

void SmsBridge::finish_passed() {
  for (auto it = passed_.begin(); it != passed_.end();) {
    // The gateway's record of a message whose claim is still there is what
    // keeps that claim from being handed over again.
    if (it->serial && stuck_serials_.count(it->serial)) {
      ++it;
      continue;
    }
    // A refused claim, or the gateway's record.
    if (claim_serial(platform::file_name_of(it->file)) ? set_aside(it->file)
                                                       : gateway_.finish(it->file)) {
      noted_.erase(it->file);
      it = passed_.erase(it);
      state_dirty_ = true;
      continue;
    }
    note_once(it->file, "could not delete " + it->file + "; it is not passed on again");
    ++it;
  }
  if (state_dirty_) save_state();
}

bool SmsBridge::clear_claim(const Claim& claim) {
  // First the lasting word that the gateway has the message: a claim under
  // this name is never handed over again, whatever fails next.
  const std::string handed =
      claim.claimed_path.substr(0, claim.claimed_path.size() - kClaimed.size()) +
      std::string(kHanded);
  if (!files_.rename(claim.claimed_path, handed)) {
    noted_.erase(claim.claimed_path);
    if (!files_.remove(handed))
      note_once(handed, "could not delete " + platform::file_name_of(handed) +
                            "; its message is with the gateway and is not sent again");
    return true;
  }
  if (files_.remove(claim.claimed_path)) {
    noted_.erase(claim.claimed_path);
    return true;
  }
  stuck_serials_.insert(claim.serial);
  note_once(claim.claimed_path,
            "could not rename or delete " + platform::file_name_of(claim.claimed_path) +
                "; its message is with the gateway, whose record of it is kept until the "
                "claim is gone, so that it is not sent again");
  return false;
}

void SmsBridge::hand_over(const Claim& claim, const std::string& bytes, Batch& told) {
  const auto message = parse_outbox_file(bytes);
  if (!message) {
    refuse(claim, number_of_name(claim.name), "no \",7,\" in " + claim.name, told);
    return;
  }
  const auto number = dialable_number(message->destination);
  if (!number) {
    refuse(claim, message->destination,
           "\"" + message->destination + "\" is not a telephone number (" + claim.name + ")", told);
    return;
  }
  const SmsSize size = sms_size(message->body);
  if (size.parts > 1 && !settings_.multipart) {
    // A unit may not join linked parts, and a command cut in two is two
    // wrong commands.
    refuse(claim, *number,
           "too long for one SMS, it needs " + std::to_string(size.parts) + " (" +
               std::to_string(size.units) + " of " + (size.unicode ? "70" : "160") +
               (size.unicode ? " characters, UCS-2" : " GSM characters") + ") (" + claim.name + ")",
           told);
    note_once("multipart", std::string("\"multipart = yes\" in ") + kBridgeSettingsFile +
                               " beside setup.txt lets the bridge send such messages as "
                               "linked parts");
    return;
  }
  // "Report:N" asks for no delivery report; a message without the header
  // lines (a programming row, a typed message) gets one, so that the operator
  // learns that the unit has it.
  const bool report = message->command_header ? message->report != "N" : true;
  gateway_.submit({*number, message->body, report, outbox_file_tag(claim.name), claim.serial});
  note("handed to the gateway: " + *number + ": " + with_blanks_for(message->body, "\r\n") + " (" +
       claim.name + (report ? ", delivery report asked" : "") + ")");
  clear_claim(claim);
}

// "<name>.bad" for the claim "<name>.<serial>.sending", or
// "<name>.<serial>.bad" when that is taken.
std::string SmsBridge::set_aside_path(const std::string& claimed_path) const {
  const std::string stem = claimed_path.substr(0, claimed_path.size() - kClaimed.size());
  const std::string name = stem.substr(0, stem.rfind('.'));
  return platform::file_exists(name + ".bad") ? stem + ".bad" : name + ".bad";
}

void SmsBridge::refuse(const Claim& claim, const std::string& number, const std::string& why,
                       Batch& told) {
  note("not sent, " + why + " (kept as " +
       platform::file_name_of(set_aside_path(claim.claimed_path)) + ")");
  GatewayEvent event{GatewayOutcome::failed, number, why, 0, claim.claimed_path};
  for (auto& line :
       incoming_lines(event, local_time_text(static_cast<std::time_t>(wall_ms_() / 1000))))
    told.lines.push_back(line);
  told.records.push_back({0, claim.claimed_path});
}

bool SmsBridge::set_aside(const std::string& claimed_path) {
  if (!platform::file_exists(claimed_path)) return true;
  const std::string kept = set_aside_path(claimed_path);
  if (!files_.rename(claimed_path, kept)) return true;
  note_once(claimed_path, "could not rename " + platform::file_name_of(claimed_path) + " to " +
                              platform::file_name_of(kept) + "; it is not reported again");
  return false;
}

}  // namespace tarvex::outbound
