#include "outbound/outbox_message_file.h"

#include <string_view>

#include "platform/text_file.h"

namespace tarvex::outbound {

std::string OutboxMessageFile::file_name() const {
  return destination + "_" + tag + ".txt";
}

std::string OutboxMessageFile::contents() const {
  std::string out;
  out.reserve(destination.size() + body.size() + 24);
  if (command_header) {
    out += kCommandHeader1;
    out += "\r\n";
    out += kCommandHeader2;
    out += "\r\n";
  }
  out += destination;
  out += kFieldSeparator;
  out += body;
  if (line_end) out += "\r\n";
  return out;
}

OutboxMessageFile programming_message(const std::string& unit_number, int row_index,
                                      const std::string& body) {
  return {unit_number, std::to_string(row_index), false, body, false};
}

OutboxMessageFile command_message(const std::string& unit_number, int random_tag,
                                  const std::string& prefix, const std::string& password,
                                  const std::string& command) {
  return {unit_number, std::to_string(random_tag), true, prefix + password + command, true};
}

OutboxMessageFile plain_message(const std::string& destination, int counter,
                                const std::string& text) {
  return {destination, std::to_string(counter), false, text, false};
}

OutboxMessageFile bulk_message(const std::string& destination, int random_tag, int row_index,
                               const std::string& text) {
  return {destination, std::to_string(random_tag) + std::to_string(row_index), false, text, true};
}

std::optional<std::string> destination_problem(const std::string& destination) {
  const bool unsafe = destination.find_first_of("/\\") != std::string::npos ||
                      destination.find("..") != std::string::npos ||
                      destination.find('\0') != std::string::npos;
  if (!unsafe) return std::nullopt;
  return "\"" + destination +
         "\" can not be used as a number: it holds \"/\", \"\\\" or \"..\".\r\n"
         "Message will not be send!";
}

void ensure_programming_folder(const std::string& folder) {
  if (folder.empty()) throw OutboxError(kUnableToCreateDirectory);
  try {
    platform::create_folders(folder);
  } catch (const platform::FileError& e) {
    throw OutboxError(kProgrammingFolderMissing, e.what());
  }
}

std::string write_outbox_file(const std::string& folder, const OutboxMessageFile& file) {
  if (auto problem = destination_problem(file.destination)) throw OutboxError(*problem);
  // Without a folder the name alone would land in the current folder.
  if (folder.empty()) throw OutboxError(kUnableToCreateDirectory);
  const std::string path = platform::join_path(folder, file.file_name());
  try {
    platform::write_file(path, file.contents());
  } catch (const platform::FileError& e) {
    throw OutboxError(kProgrammingFolderMissing, e.what());
  }
  return path;
}

namespace {

constexpr int kAlternativeTags = 100;
constexpr long long kAlternativeTagStep = 100000;

bool holds_setting_of_row(const std::string& path, const std::string& destination,
                          const std::string& prog_code) {
  std::string contents;
  try {
    contents = platform::read_file(path);
  } catch (const platform::FileError&) {
    return false;
  }
  const std::string start = destination + kFieldSeparator;
  if (!contents.starts_with(start) || contents.find('\n') != std::string::npos) return false;
  const std::string_view body = std::string_view(contents).substr(start.size());
  const std::size_t quote = body.find('"');
  return quote != std::string_view::npos && quote + 1 < body.size() && body.back() == '"' &&
         body.substr(0, quote).ends_with(prog_code);
}

}  // namespace

std::string write_programming_file(const std::string& folder, OutboxMessageFile file,
                                   const std::string& prog_code) {
  if (auto problem = destination_problem(file.destination)) throw OutboxError(*problem);
  if (folder.empty()) throw OutboxError(kUnableToCreateDirectory);
  const long long row = std::stoll(file.tag);
  std::optional<std::string> free_tag;
  // Alternatives are taken in order, so the search ends at the first free one
  // after the row's own name (which the engine may have freed meanwhile).
  for (int k = 0; k < kAlternativeTags; ++k) {
    const std::string tag = std::to_string(row + k * kAlternativeTagStep);
    const std::string path = platform::join_path(folder, file.destination + "_" + tag + ".txt");
    if (!platform::file_exists(path)) {
      if (!free_tag) free_tag = tag;
      if (k == 0) continue;
      break;
    }
    if (holds_setting_of_row(path, file.destination, prog_code)) {
      free_tag = tag;
      break;
    }
  }
  if (!free_tag) throw OutboxError(kProgrammingFolderMissing);
  file.tag = *free_tag;
  return write_outbox_file(folder, file);
}

}  // namespace tarvex::outbound
