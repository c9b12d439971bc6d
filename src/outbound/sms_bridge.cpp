#include "outbound/sms_bridge.h"

#include <algorithm>
#include <cctype>

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

// "<name>.<serial>.sending": the outbox file <name>, claimed for hand-over
// serial.
std::optional<std::uint64_t> claim_serial(const std::string& claimed_name) {
  constexpr std::string_view suffix = ".sending";
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

}  // namespace

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
                     std::function<std::int64_t()> wall_ms, std::int64_t settle_ms)
    : folders_(std::move(folders)),
      gateway_(gateway),
      wall_ms_(std::move(wall_ms)),
      outbox_(folders_.programming_folder, "*.txt", settle_ms) {}

void SmsBridge::log(const std::string& text) {
  platform::append_lines(
      folders_.log_file,
      {local_time_text(static_cast<std::time_t>(wall_ms_() / 1000)) + " " + text});
}

std::uint64_t SmsBridge::next_serial() {
  // The wall clock in milliseconds, so that a restarted bridge goes on past
  // the serials of its earlier run.
  last_serial_ = std::max<std::uint64_t>(last_serial_ + 1, static_cast<std::uint64_t>(wall_ms_()));
  return last_serial_;
}

int SmsBridge::poll(std::int64_t now_ms) {
  std::vector<std::string> lines;
  int handled = 0;

  // Claims left by a run that stopped between the claim and its end.
  for (const std::string& claimed :
       platform::list_files(folders_.programming_folder, "*.sending")) {
    const auto serial = claim_serial(claimed);
    if (!serial) continue;  // not one of ours
    const std::string name = claimed.substr(0, claimed.rfind('.', claimed.size() - 9));
    const Claim claim{name, platform::join_path(folders_.programming_folder, claimed), *serial};
    last_serial_ = std::max(last_serial_, *serial);
    if (gateway_.holds(*serial)) {
      platform::remove_file(claim.claimed_path);
      continue;
    }
    try {
      hand_over(claim, platform::read_file(claim.claimed_path), lines);
      ++handled;
    } catch (const platform::FileError& e) {
      if (last_failure_ != e.what()) log(last_failure_ = e.what());
    }
  }

  const auto claim_path = [this](const std::string& name) {
    // The serial goes into the claim's name before the gateway sees the
    // message, so that a restart can tell whether the hand-over happened.
    return platform::join_path(folders_.programming_folder,
                               name + "." + std::to_string(next_serial()) + ".sending");
  };
  for (const ClaimedFile& file : outbox_.take(now_ms, claim_path)) {
    const std::string claimed = platform::file_name_of(file.claimed_path);
    const Claim claim{file.name, file.claimed_path, *claim_serial(claimed)};
    try {
      hand_over(claim, file.bytes, lines);
      ++handled;
    } catch (const platform::FileError& e) {
      // The claim stays and is handed over on a later round.
      if (last_failure_ != e.what()) log(last_failure_ = e.what());
    }
  }

  const std::vector<GatewayEvent> events = gateway_.events(now_ms);
  for (const GatewayEvent& event : events) {
    const std::time_t when = event.time ? event.time : static_cast<std::time_t>(wall_ms_() / 1000);
    for (auto& line : incoming_lines(event, local_time_text(when))) lines.push_back(line);
    log(std::string(outcome_field(event.outcome)) + " " + event.number + ": " +
        with_blanks_for(event.text, "\r\n") + " (" + platform::file_name_of(event.file) + ")");
  }
  if (!lines.empty()) pass_on(lines);
  for (const GatewayEvent& event : events) gateway_.finish(event);
  return handled + static_cast<int>(events.size());
}

void SmsBridge::hand_over(const Claim& claim, const std::string& bytes,
                          std::vector<std::string>& lines) {
  const auto message = parse_outbox_file(bytes);
  if (!message) {
    refuse(claim, number_of_name(claim.name), "no \",7,\" in " + claim.name, lines);
    return;
  }
  const auto number = dialable_number(message->destination);
  if (!number) {
    refuse(claim, message->destination,
           "\"" + message->destination + "\" is not a telephone number (" + claim.name + ")",
           lines);
    return;
  }
  // "Report:N" asks for no delivery report; a message without the header
  // lines (a programming row, a typed message) gets one, so that the operator
  // learns that the unit has it.
  const bool report = message->command_header ? message->report != "N" : true;
  gateway_.submit({*number, message->body, report, outbox_file_tag(claim.name), claim.serial});
  log("handed to the gateway: " + *number + ": " + with_blanks_for(message->body, "\r\n") + " (" +
      claim.name + (report ? ", delivery report asked" : "") + ")");
  if (!platform::remove_file(claim.claimed_path))
    log("could not delete " + platform::file_name_of(claim.claimed_path) +
        "; the gateway has its message, delete it by hand");
}

void SmsBridge::refuse(const Claim& claim, const std::string& number, const std::string& why,
                       std::vector<std::string>& lines) {
  std::string kept = platform::join_path(folders_.programming_folder, claim.name + ".bad");
  if (platform::file_exists(kept))
    kept = platform::join_path(folders_.programming_folder,
                               claim.name + "." + std::to_string(claim.serial) + ".bad");
  if (platform::replace_file(claim.claimed_path, kept)) kept = claim.claimed_path;
  log("not sent, " + why + " (kept as " + platform::file_name_of(kept) + ")");
  GatewayEvent event{GatewayOutcome::failed, number, why, 0, claim.claimed_path};
  for (auto& line :
       incoming_lines(event, local_time_text(static_cast<std::time_t>(wall_ms_() / 1000))))
    lines.push_back(line);
}

void SmsBridge::pass_on(const std::vector<std::string>& lines) {
  write_incoming_file(folders_.incoming_folder, "sms-bridge-", incoming_files_, lines);
  if (folders_.unit_log_file.empty()) return;
  try {
    platform::append_lines(folders_.unit_log_file, lines);
  } catch (const platform::FileError& e) {
    // The incoming file has them; keep them here too rather than lose them
    // from the unit log's story.
    log(std::string(e.what()) + "; not in the unit log:");
    for (const auto& line : lines) log("  " + line);
  }
}

}  // namespace tarvex::outbound
