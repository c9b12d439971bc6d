#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>

// One SMS handed to the modem engine: a small 8-bit text file in the
// programming folder. Every sender of the program builds its file through the
// factories below and writes it with write_outbox_file(), so that names, header
// lines and line ends stay the same everywhere.
namespace tarvex::outbound {

inline constexpr const char* kFieldSeparator = ",7,";
inline constexpr const char* kCommandHeader1 = "NONE";
inline constexpr const char* kCommandHeader2 = "Report:N";

inline constexpr const char* kProgrammingFolderMissing = "Can not find the Programming folder";
inline constexpr const char* kUnableToCreateDirectory = "Unable to create directory";

// Refusals and write failures; what() is the text shown to the operator.
// A failure of the file system also keeps the platform's own text, naming the
// path (platform_text(), empty for a refusal), for the senders that report it.
class OutboxError : public std::runtime_error {
 public:
  explicit OutboxError(const std::string& text, std::string platform_text = {})
      : std::runtime_error(text), platform_text_(std::move(platform_text)) {}
  const std::string& platform_text() const { return platform_text_; }

 private:
  std::string platform_text_;
};

struct OutboxMessageFile {
  std::string destination;      // telephone number as typed
  std::string tag;              // decimal, between "_" and ".txt"
  bool command_header = false;  // "NONE" and "Report:N" lines before the message
  std::string body;             // after ",7,"
  bool line_end = false;        // CR LF after the message line

  // destination + "_" + tag + ".txt"
  std::string file_name() const;
  // The exact bytes of the file.
  std::string contents() const;
};

// A row of the message table: tag = the row index, no line end.
OutboxMessageFile programming_message(const std::string& unit_number, int row_index,
                                      const std::string& body);
// A command (command list, control panel): the two header lines, the body
// prefix + password + command with no suffix, tag = a random draw, CR LF.
OutboxMessageFile command_message(const std::string& unit_number, int random_tag,
                                  const std::string& prefix, const std::string& password,
                                  const std::string& command);
// The Send Message window: the text as typed, tag = the window's counter, no
// line end.
OutboxMessageFile plain_message(const std::string& destination, int counter,
                                const std::string& text);
// Bulk messages: the text as typed, tag = the draw of the whole send followed
// directly by the grid row index, CR LF.
OutboxMessageFile bulk_message(const std::string& destination, int random_tag, int row_index,
                               const std::string& text);

// Why a destination can not name an outbox file, if it can not: a number
// holding "/", "\", ".." or a NUL byte would put the file outside the
// programming folder (or nowhere).
std::optional<std::string> destination_problem(const std::string& destination);

// Makes sure the programming folder exists, creating missing parents. An empty
// setting throws OutboxError("Unable to create directory"); a folder that can
// not be made throws OutboxError("Can not find the Programming folder").
void ensure_programming_folder(const std::string& folder);

// Writes the file into folder, replacing a file of the same name, and returns
// its path. The file appears complete or not at all (written beside and
// renamed into place), since the modem engine may take it at any moment.
// Throws OutboxError: the destination_problem() text for a refused
// destination, "Can not find the Programming folder" when the file can not be
// written. The folder must exist (ensure_programming_folder()).
std::string write_outbox_file(const std::string& folder, const OutboxMessageFile& file);

// A programming row's file. A newer setting of a row replaces an older one
// still waiting, so the two never both go out in either order; but a waiting
// file of the same name that holds anything else (a message the operator was
// told was sent) is never replaced: the setting then waits beside it under
// the row's next alternative tag (row + 100000, + 200000, ...), where an older
// setting of the row is looked for too. A waiting file holds a setting of the
// row when it reads unit number, ",7,", a framing that ends in prog_code, and
// a quoted text, with no line end (whatever framing and password it was
// written with). Throws as write_outbox_file().
std::string write_programming_file(const std::string& folder, OutboxMessageFile file,
                                   const std::string& prog_code);

}  // namespace tarvex::outbound
