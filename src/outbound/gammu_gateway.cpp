#include "outbound/gammu_gateway.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <stdexcept>

#include "app/folders.h"
#include "platform/file_api.h"
#include "platform/local_time.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

std::string lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::string unquoted(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

// Code units to 8-bit text: one byte each, "?" for what Latin-1 lacks (a
// surrogate pair once), NUL units dropped.
std::string latin1_of(const std::vector<unsigned>& units) {
  std::string text;
  for (std::size_t i = 0; i < units.size(); ++i) {
    const unsigned unit = units[i];
    if (unit == 0) continue;
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000)
      ++i;
    text += unit <= 0xFF ? static_cast<char>(unit) : '?';
  }
  return text;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Groups of `digits` hex digits as numbers; stops at the first bad digit.
std::vector<unsigned> hex_units(const std::string& hex, std::size_t digits) {
  std::vector<unsigned> units;
  for (std::size_t i = 0; i + digits <= hex.size(); i += digits) {
    unsigned unit = 0;
    for (std::size_t d = 0; d < digits; ++d) {
      const int v = hex_digit(hex[i + d]);
      if (v < 0) return units;
      unit = unit * 16 + static_cast<unsigned>(v);
    }
    units.push_back(unit);
  }
  return units;
}

// The [section] key = value pairs of an ini file, keys in lower case.
std::map<std::string, std::string> ini_section(const std::vector<std::string>& lines,
                                               const std::string& section) {
  std::map<std::string, std::string> values;
  bool inside = false;
  for (const std::string& raw : lines) {
    const std::string line = trimmed(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line[0] == '[') {
      inside = lower(line) == "[" + section + "]";
      continue;
    }
    const auto equals = line.find('=');
    if (!inside || equals == std::string::npos) continue;
    values[lower(trimmed(line.substr(0, equals)))] = trimmed(line.substr(equals + 1));
  }
  return values;
}

std::vector<std::string> name_fields(const std::string& name) {
  std::vector<std::string> fields;
  std::size_t from = 0;
  for (;;) {
    const auto underscore = name.find('_', from);
    fields.push_back(name.substr(from, underscore - from));
    if (underscore == std::string::npos) break;
    from = underscore + 1;
  }
  return fields;
}

// The bridge's serial in a name of its own layout (see outbox_name), else 0.
std::uint64_t serial_of(const std::string& name) {
  const auto fields = name_fields(name);
  if (fields.size() < 5 || fields[2].empty() || fields[2].size() > 19 ||
      !std::all_of(fields[2].begin(), fields[2].end(),
                   [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return 0;
  return std::stoull(fields[2]);
}

// The recipient in a name of the daemon's outbox layouts: OUT<number>.<ext>,
// OUT<priority>_<number>_<serial>.<ext> and
// OUT<priority><date>_<time>_<serial>_<number>_<note>.<ext>.
std::string recipient_of(const std::string& name) {
  const auto fields = name_fields(name);
  if (fields.size() >= 5) return fields[3];
  if (fields.size() == 3) return fields[1];
  const std::string single = fields[0].substr(3);
  return single.substr(0, single.find('.'));
}

bool is_text_message_name(const std::string& name) {
  const auto dot = name.rfind('.');
  return dot != std::string::npos && lower(name.substr(dot + 1, 3)) == "txt";
}

}  // namespace

GammuSettings read_gammu_settings(const std::string& config_path) {
  const auto smsd = ini_section(platform::read_lines(config_path), "smsd");
  const auto value = [&](const char* key) {
    const auto found = smsd.find(key);
    return found == smsd.end() ? std::string() : found->second;
  };
  const std::string where = " in " + config_path;
  if (lower(value("service")) != "files")
    throw std::runtime_error("the bridge needs \"service = files\" in [smsd]" + where);
  if (lower(value("inboxformat")) != "detail")
    throw std::runtime_error("the bridge needs \"inboxformat = detail\" in [smsd]" + where);
  const std::string base = platform::folder_of(config_path);
  GammuSettings settings;
  const std::pair<const char*, std::string*> folders[] = {{"inboxpath", &settings.inbox},
                                                          {"outboxpath", &settings.outbox},
                                                          {"sentsmspath", &settings.sent},
                                                          {"errorsmspath", &settings.error}};
  for (const auto& [key, folder] : folders) {
    *folder = app::resolve_folder(base, value(key));
    if (folder->empty())
      throw std::runtime_error(std::string("the bridge needs a folder for \"") + key +
                               "\" in [smsd]" + where);
  }
  for (std::size_t a = 0; a < 4; ++a)
    for (std::size_t b = a + 1; b < 4; ++b)
      if (app::same_folder(*folders[a].second, *folders[b].second))
        throw std::runtime_error(std::string("\"") + folders[a].first + "\" and \"" +
                                 folders[b].first + "\" name the same folder" + where +
                                 "; the bridge needs four different folders");
  settings.stores_reports = lower(value("deliveryreport")) == "sms";
  return settings;
}

std::optional<GammuInboxMessage> parse_gammu_backup(const std::string& bytes) {
  struct Part {
    std::string pdu, number, coding, hex;
  };
  std::vector<Part> parts;
  for (const std::string& raw : platform::split_lines(bytes)) {
    const std::string line = trimmed(raw);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (lower(line).rfind("[smsbackup", 0) == 0) parts.emplace_back();
      continue;
    }
    const auto equals = line.find('=');
    if (parts.empty() || equals == std::string::npos) continue;
    const std::string key = lower(trimmed(line.substr(0, equals)));
    const std::string value = unquoted(trimmed(line.substr(equals + 1)));
    Part& part = parts.back();
    if (key == "pdu")
      part.pdu = lower(value);
    else if (key == "number")
      part.number = value;
    else if (key == "coding")
      part.coding = lower(value);
    else if (key.size() == 6 && key.rfind("text", 0) == 0)
      part.hex += value;
  }
  if (parts.empty()) return std::nullopt;
  GammuInboxMessage message;
  message.status_report = parts.front().pdu == "status_report";
  for (const Part& part : parts) {
    if (message.number.empty()) message.number = part.number;
    message.text += latin1_of(part.coding.rfind("8bit", 0) == 0 ? hex_units(part.hex, 2)
                                                                : hex_units(part.hex, 4));
  }
  return message;
}

std::string to_utf16_file(const std::string& latin1) {
  std::string bytes = "\xFF\xFE";
  for (char c : latin1) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

std::string from_text_file(const std::string& bytes) {
  const bool little = bytes.rfind("\xFF\xFE", 0) == 0;
  const bool big = bytes.rfind("\xFE\xFF", 0) == 0;
  if (!little && !big) return bytes;
  std::vector<unsigned> units;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    units.push_back(little ? first | second << 8 : first << 8 | second);
  }
  return latin1_of(units);
}

GammuFilesGateway::GammuFilesGateway(GammuSettings settings,
                                     std::function<void(const std::string&)> note,
                                     std::int64_t settle_ms, BridgeFiles& files)
    : settings_(std::move(settings)),
      note_(std::move(note)),
      files_(files),
      inbox_(settings_.inbox, "IN*", settle_ms),
      sent_(settings_.sent, "OUT*", settle_ms),
      error_(settings_.error, "OUT*", settle_ms) {
  // Copies of messages that a stop cut short before they were renamed into
  // place (submit()); the daemon never takes them.
  for (const std::string& name : platform::list_files(settings_.outbox, "tarvex-*.tmp"))
    files_.remove(platform::join_path(settings_.outbox, name));
}

std::string GammuFilesGateway::outbox_name(const GatewayMessage& message) {
  const std::string time =
      platform::format_utc_time(static_cast<std::time_t>(message.serial / 1000), "%Y%m%d_%H%M%S");
  // The daemon splits the name at "_" and ".": the tag keeps neither.
  std::string tag;
  for (char c : message.tag)
    if (std::isalnum(static_cast<unsigned char>(c)) || c == '-') tag += c;
  if (tag.empty()) tag.push_back('0');
  const std::size_t fixed = 4 + time.size() + 1 + std::to_string(message.serial).size() + 1 +
                            message.destination.size() + 1 + 5;
  const std::size_t room = kLongestOutboxName > fixed + 12 ? kLongestOutboxName - fixed : 12;
  if (tag.size() > room) {
    // Cut, with a hash of the whole, so that two long tags stay apart.
    std::uint32_t hash = 2166136261u;
    for (unsigned char c : message.tag) hash = (hash ^ c) * 16777619u;
    char hex[9];
    std::snprintf(hex, sizeof hex, "%08x", hash);
    tag = tag.substr(0, room - 9) + "-" + hex;
  }
  std::string name = "OUTC";
  name += time;
  name += '_';
  name += std::to_string(message.serial);
  name += '_';
  name += message.destination;
  name += '_';
  name += tag;
  name += message.delivery_report ? ".txtd" : ".txt";
  return name;
}

void GammuFilesGateway::submit(const GatewayMessage& message) {
  platform::create_folders(settings_.outbox);
  const std::string path = platform::join_path(settings_.outbox, outbox_name(message));
  if (platform::file_exists(path)) throw platform::FileError("\"" + path + "\" exists already");
  // The daemon takes every name beginning with "OUT"; the file is written
  // under another one and renamed when complete.
  // On the disk before the claim goes: after a power cut the message is
  // either in the programming folder or whole in the daemon's outbox.
  const std::string temporary =
      platform::join_path(settings_.outbox, "tarvex-" + std::to_string(message.serial));
  files_.write(temporary, to_utf16_file(message.text));
  if (const std::error_code ec = files_.rename(temporary, path)) {
    files_.remove(temporary);
    throw platform::FileError("Cannot write file \"" + path + "\". " + ec.message());
  }
  files_.sync_folder(settings_.outbox);
}

bool GammuFilesGateway::holds(std::uint64_t serial) {
  std::string mark = "_";
  mark += std::to_string(serial);
  mark += '_';
  for (const std::string* folder : {&settings_.outbox, &settings_.sent, &settings_.error}) {
    std::error_code unread;
    for (const std::string& name : platform::list_files(*folder, "OUT*", unread))
      if (name.find(mark) != std::string::npos) return true;
    if (unread)
      throw platform::FileError("Cannot read folder \"" + *folder + "\". " + unread.message());
  }
  return false;
}

void GammuFilesGateway::outcomes(CompleteFiles& folder, GatewayOutcome outcome, std::int64_t now_ms,
                                 std::vector<GatewayEvent>& events) {
  for (const std::string& name : folder.settled(now_ms)) {
    const std::string path = platform::join_path(folder.folder(), name);
    if (left_alone_.count(path)) continue;
    if (!is_text_message_name(name)) {
      note_("left alone, not a text message: " + path);
      left_alone_.insert(path);
      continue;
    }
    try {
      events.push_back({outcome, recipient_of(name), from_text_file(platform::read_file(path)), 0,
                        path, serial_of(name)});
    } catch (const platform::FileError&) {
      // gone or unreadable for now: looked at again
    }
  }
}

std::vector<GatewayEvent> GammuFilesGateway::events(std::int64_t now_ms) {
  std::vector<GatewayEvent> events;
  outcomes(sent_, GatewayOutcome::sent, now_ms, events);
  outcomes(error_, GatewayOutcome::failed, now_ms, events);
  for (const std::string& name : inbox_.settled(now_ms)) {
    const std::string path = platform::join_path(settings_.inbox, name);
    if (left_alone_.count(path)) continue;
    std::optional<GammuInboxMessage> message;
    try {
      message = parse_gammu_backup(platform::read_file(path));
    } catch (const platform::FileError&) {
      continue;
    }
    if (!message) {
      note_("left alone, not in gammu's backup layout (inboxformat = detail): " + path);
      left_alone_.insert(path);
      continue;
    }
    events.push_back({message->status_report ? GatewayOutcome::report : GatewayOutcome::received,
                      message->number, message->text, platform::modified_time(path), path});
  }
  return events;
}

bool GammuFilesGateway::finish(const std::string& file) {
  return files_.remove(file) || !platform::file_exists(file);
}

}  // namespace tarvex::outbound
