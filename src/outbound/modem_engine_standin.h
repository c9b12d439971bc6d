#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "outbound/complete_files.h"

// The inner working of tarvex-modem-engine, the program that takes the modem
// engine's place for the demo and the tests. It drives no modem: it takes the
// outbox files out of the programming folder, notes in a log what it would have
// sent, and answers each message with one line in the incoming-message folder,
// which the main window's poll then shows.
namespace tarvex::outbound {

inline constexpr const char* kStandinLogFile = "modem-engine.log";
// The answer files are "<prefix><n>.txt".
inline constexpr const char* kAnswerFilePrefix = "modem-engine-";
// Field 2 of the reply lines: which engine wrote them.
inline constexpr const char* kStandinReplyField2 = "standin";

// What an outbox file carries.
struct OutboxContents {
  std::string destination;      // before the first ",7,"
  std::string body;             // after it, without the final line end
  bool command_header = false;  // the "NONE" / "Report:N" lines were there
  std::string report;           // after "Report:" ("N": no delivery report)
};

// The tag of "<number>_<tag>.txt".
std::string outbox_file_tag(const std::string& name);

// Reads an outbox file's bytes. Nothing when there is no ",7," on the message
// line.
std::optional<OutboxContents> parse_outbox_file(const std::string& bytes);

// What a modem engine reads from setup.txt.
struct EngineFolders {
  std::string programming_folder;
  std::string incoming_folder;
  std::string log_file;       // the engine's own log, beside setup.txt
  std::string unit_log_file;  // line 5; empty when not set
};

// The folders of setup.txt lines 1 and 3 and the unit log file of line 5 in
// start_folder (relative ones taken from start_folder), and the engine's log
// file (log_name) beside setup.txt. Throws
// platform::FileError when setup.txt can not be read, std::runtime_error when
// line 1 or line 3 is empty or both name the same folder.
EngineFolders engine_folders(const std::string& start_folder,
                             const std::string& log_name = kStandinLogFile);

// Writes lines into a new file "<prefix><n>.txt" of folder (created when
// missing), n counting on from counter past every name in use. The file is
// written under a name that the "*.txt" poll never takes and renamed into
// place when complete. Returns its path; throws platform::FileError.
std::string write_incoming_file(const std::string& folder, const std::string& prefix,
                                unsigned& counter, const std::vector<std::string>& lines);

// "yyyy/mm/dd hh:mm:ss" of a time in the local time zone.
std::string local_time_text(std::time_t time);
// The local time now as "yyyy/mm/dd hh:mm:ss".
std::string local_timestamp();

class ModemEngineStandin {
 public:
  // A file counts as complete once its size and modification time have stayed
  // the same for settle_ms (seen by two polls at least): the engine must not
  // take a file that a sender is still writing. timestamp gives field 3 of the
  // reply lines and the time of the log lines.
  ModemEngineStandin(EngineFolders folders, std::function<std::string()> timestamp,
                     std::int64_t settle_ms = 500);

  // One look at the programming folder at time now_ms (any monotonic clock).
  // Sends every complete "*.txt" file, oldest first: claims it (renamed to
  // "<name>.sending"), answers it, logs it and deletes it. The answers of one
  // poll go into one incoming file, written whole as "modem-engine-<n>.answers"
  // and renamed to "modem-engine-<n>.txt" once the files they answer are
  // gone; a poll first finishes what a crash or a fault left between those
  // steps (claimed files with no waiting answers go back into the outbox), so
  // every message is answered exactly once; answers are written only while
  // every claimed file is one they answer. A file without ",7," is logged
  // and renamed to "<name>.bad". Returns how many messages were sent. Throws
  // platform::FileError when the log or the incoming file can not be
  // written; what was not answered is sent on a later poll.
  int poll(std::int64_t now_ms);

  // Appends one line, after the time, to the log.
  void log(const std::string& text);

  const EngineFolders& folders() const { return folders_; }

 private:
  // Finishes a hand-over cut short; false while one is still unfinished.
  bool finish_hand_over();

  EngineFolders folders_;
  std::function<std::string()> timestamp_;
  CompleteFiles outbox_;
  unsigned reply_files_ = 0;
};

}  // namespace tarvex::outbound
