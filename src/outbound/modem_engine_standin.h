#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>

// The inner working of tarvex-modem-engine, the program that takes the modem
// engine's place for the demo and the tests. It drives no modem: it takes the
// outbox files out of the programming folder, notes in a log what it would have
// sent, and answers each message with one line in the incoming-message folder,
// which the main window's poll then shows.
namespace tarvex::outbound {

inline constexpr const char* kStandinLogFile = "modem-engine.log";
// Field 2 of the reply lines: which engine wrote them.
inline constexpr const char* kStandinReplyField2 = "standin";

// What an outbox file carries.
struct OutboxContents {
  std::string destination;      // before the first ",7,"
  std::string body;             // after it, without the final line end
  bool command_header = false;  // the "NONE" / "Report:N" lines were there
};

// Reads an outbox file's bytes. Nothing when there is no ",7," on the message
// line.
std::optional<OutboxContents> parse_outbox_file(const std::string& bytes);

struct StandinFolders {
  std::string programming_folder;
  std::string incoming_folder;
  std::string log_file;
};

// The folders of setup.txt lines 1 and 3 in start_folder (relative ones taken
// from start_folder) and the log file beside setup.txt. Throws
// platform::FileError when setup.txt can not be read, std::runtime_error when
// line 1 or line 3 is empty or both name the same folder.
StandinFolders standin_folders(const std::string& start_folder);

// The local time as "yyyy/mm/dd hh:mm:ss".
std::string local_timestamp();

class ModemEngineStandin {
 public:
  // A file counts as complete once its size and modification time have stayed
  // the same for settle_ms (seen by two polls at least): the engine must not
  // take a file that a sender is still writing. timestamp gives field 3 of the
  // reply lines and the time of the log lines.
  ModemEngineStandin(StandinFolders folders, std::function<std::string()> timestamp,
                     std::int64_t settle_ms = 500);

  // One look at the programming folder at time now_ms (any monotonic clock).
  // Sends every complete "*.txt" file, oldest first: logs it, deletes it and
  // answers it; the answers of one poll go into one incoming file, written
  // under a name that does not match "*.txt" and renamed into place. A file
  // without ",7," is logged and renamed to "<name>.bad". Returns how many
  // messages were sent. Throws platform::FileError when the log or the
  // incoming file can not be written.
  int poll(std::int64_t now_ms);

  // Appends one line, after the time, to the log.
  void log(const std::string& text);

  const StandinFolders& folders() const { return folders_; }

 private:
  struct Seen {
    std::uintmax_t size = 0;
    std::int64_t modified = 0;
    std::int64_t since = 0;
  };
  std::string next_incoming_name() const;

  StandinFolders folders_;
  std::function<std::string()> timestamp_;
  std::int64_t settle_ms_;
  std::map<std::string, Seen> seen_;
  // Files sent whose deletion failed, so that they are not sent again.
  std::set<std::pair<std::string, std::int64_t>> undeletable_;
  mutable unsigned reply_files_ = 0;
};

}  // namespace tarvex::outbound
