#include "outbound/sms_programming.h"

#include <chrono>
#include <memory>
#include <random>

#include "app/settings_files.h"
#include "outbound/batched_grid.h"
#include "outbound/outbox_message_file.h"
#include "platform/text_file.h"

namespace tarvex::outbound {

namespace {

std::string too_long(const std::string& what, const char* limit) {
  return "\"" + what + "\" is longer than the aloud " + limit + "!\r\nMessage will not be send!";
}

}  // namespace

FramingStrings framing_from(const app::Settings& settings) {
  return {settings.standard_prefix, settings.standard_suffix, settings.alternative_prefix,
          settings.alternative_suffix};
}

std::string programming_framing(SmsFraming which, int mode, const FramingStrings& framing,
                                const std::string& password) {
  if (which == SmsFraming::Alternative || mode == 2)
    return framing.alternative_prefix + password + framing.alternative_suffix;
  if (mode == 0 || mode == 1) return framing.standard_prefix + password + framing.standard_suffix;
  return std::string();
}

std::string programming_body(const std::string& framing, const std::string& prog_code,
                             const std::string& flags, const std::string& text) {
  std::string body;
  body.reserve(framing.size() + prog_code.size() + flags.size() + text.size() + 2);
  body += framing;
  body += prog_code;
  body += '"';
  body += flags;
  body += text;
  body += '"';
  return body;
}

RowCheck check_programming_row(const platform::StringGrid& grid, int row) {
  using device::kColFlags, device::kColProgCode, device::kColProgLen, device::kColText;
  const std::string& prog_code = grid.cell(kColProgCode, row);
  if (prog_code.size() > kMaxProgCodeLength)
    return {RowCheck::Verdict::Refuse, too_long(prog_code, "Program Symbol Length")};
  int prog_len = 0;
  try {
    prog_len = app::to_integer(grid.cell(kColProgLen, row));
  } catch (const std::exception& e) {
    return {RowCheck::Verdict::Stop, e.what()};
  }
  const std::string message = grid.cell(kColFlags, row) + grid.cell(kColText, row);
  if (static_cast<long long>(prog_len) < static_cast<long long>(message.size()))
    return {RowCheck::Verdict::Refuse, too_long(message, "Message Length")};
  return {};
}

SmsRunResult program_via_sms(const SmsRunInputs& in, SmsFraming which) {
  SmsRunResult result;
  if (in.unit_number.size() < kMinUnitNumberLength) {
    in.ui.message(kInvalidUnitNumber);
    return result;
  }
  if (in.password.size() < kMinPasswordLength) {
    in.ui.message(kInvalidPassword);
    return result;
  }
  // The unit number names every file; one that would lead out of the
  // programming folder is refused before any row changes.
  if (auto problem = destination_problem(in.unit_number)) {
    in.ui.message(*problem);
    return result;
  }
  const std::string framing = programming_framing(which, in.mode, in.framing, in.password);

  platform::StringGrid& grid = in.grid;
  BatchedGrid quiet(grid);
  for (int row = 1; row < grid.row_count(); ++row) {
    if (grid.cell(device::kColState, row) != kSelected) continue;
    const RowCheck check = check_programming_row(grid, row);
    if (check.verdict == RowCheck::Verdict::Stop) {
      quiet.tell(in.ui, check.message);
      return result;
    }
    if (check.verdict == RowCheck::Verdict::Refuse) {
      quiet.tell(in.ui, check.message);
      grid.set_cell(device::kColState, row, kMessageError);
      continue;
    }
    const std::string& prog_code = grid.cell(device::kColProgCode, row);
    const std::string& flags = grid.cell(device::kColFlags, row);
    const std::string& text = grid.cell(device::kColText, row);
    try {
      ensure_programming_folder(in.programming_folder);
      write_programming_file(in.programming_folder,
                             programming_message(in.unit_number, row,
                                                 programming_body(framing, prog_code, flags, text)),
                             prog_code);
    } catch (const OutboxError& e) {
      quiet.tell(in.ui, e.what());
      return result;
    }
    ++result.programmed;
    grid.set_cell(device::kColState, row, kMessageProgrammed);
  }
  quiet.finish();

  if (in.lock_program_menu) in.lock_program_menu();
  in.ui.message(std::to_string(result.programmed) + kProgrammedCount);
  if (in.write_log) in.write_log(kProgrammingLogEntry + in.unit_number);
  result.completed = true;
  return result;
}

TagSource clock_seeded_tag_source() {
  const auto now = std::chrono::system_clock::now().time_since_epoch().count();
  auto engine = std::make_shared<std::mt19937>(static_cast<std::mt19937::result_type>(now));
  return [engine] { return std::uniform_int_distribution<int>(0, 499)(*engine); };
}

int draw_free_tag(const std::string& folder, const std::string& destination,
                  const TagSource& draw) {
  constexpr int kAttempts = 50;
  int tag = draw();
  for (int attempt = 1; attempt < kAttempts; ++attempt) {
    OutboxMessageFile probe{destination, std::to_string(tag), false, {}, false};
    if (!platform::file_exists(platform::join_path(folder, probe.file_name()))) break;
    tag = draw();
  }
  // A crowded folder: the first free tag, so that no waiting command is
  // replaced.
  for (int next = 0; next < 100000; ++next) {
    OutboxMessageFile probe{destination, std::to_string(tag), false, {}, false};
    if (!platform::file_exists(platform::join_path(folder, probe.file_name()))) break;
    tag = next;
  }
  return tag;
}

std::string write_command_file(const std::string& folder, const std::string& unit_number,
                               const std::string& prefix, const std::string& password,
                               const std::string& command, const TagSource& draw) {
  if (auto problem = destination_problem(unit_number)) throw OutboxError(*problem);
  ensure_programming_folder(folder);
  const int tag = draw_free_tag(folder, unit_number, draw);
  return write_outbox_file(folder, command_message(unit_number, tag, prefix, password, command));
}

CommandSendResult send_command(const CommandSendInputs& in) {
  CommandSendResult result;
  std::string prefix;
  if (in.mode == 1) {
    prefix = in.framing.standard_prefix;
  } else if (in.mode == 2) {
    prefix = in.framing.alternative_prefix;
  } else {
    result.status = kNoMessageSent;
    return result;
  }
  try {
    result.path = write_command_file(in.programming_folder, in.unit_number, prefix, in.password,
                                     in.command, in.draw_tag);
  } catch (const OutboxError& e) {
    in.ui.message(e.what());
    return result;
  }
  result.status = prefix + in.password + in.command + " send to: " + in.unit_number;
  result.log_event = "Function: " + result.status;
  return result;
}

}  // namespace tarvex::outbound
