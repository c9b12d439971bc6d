#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "platform/string_grid.h"
#include "platform/ui.h"

namespace tarvex::app {

inline constexpr const char* kEventLogFile = "prpl.dat";
inline constexpr const char* kEventLogClearedEvent = "Event log cleared";
inline constexpr const char* kLogFileMissingMessage = "KV_Programmer can not find the log file!";

// One entry of the event log.
struct EventEntry {
  std::string user;
  std::string time;
  std::string date;
  std::string event;
};

// Appends one entry (current operator, long time, short date, event) to
// prpl.dat in the start-up folder, creating the file when it is missing.
// Throws platform::FileError when the entry cannot be written; the entries
// already in the file stay intact.
void write_log(const Session& session, const std::string& event);

// Reads every entry, oldest first; a last incomplete entry gets empty fields.
// Throws platform::FileError when the file cannot be read.
std::vector<EventEntry> read_event_log(const std::string& path);

// Empties the log and writes "Event log cleared" as its only entry. The file
// is replaced in one step, so a failure leaves the old log as it was.
// Throws platform::FileError.
void clear_event_log(const Session& session);

// The log viewer's grid: 4 columns headed "User", "Event Time", "Event Date",
// "Event", widths 111, 87, 93 and 340.
void init_event_log_grid(platform::StringGrid& grid);

// Reloads the viewer's grid from the log file: one row per entry, oldest at
// the top, and one empty row below the last. A missing or unreadable file is
// reported with "KV_Programmer can not find the log file!".
void load_event_log_grid(platform::StringGrid& grid, const std::string& path, platform::Ui& ui);

}  // namespace tarvex::app
