#pragma once

#include <string>
#include <vector>

#include "app/session.h"

namespace tarvex::app {

inline constexpr const char* kEventLogFile = "prpl.dat";

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

// Empties the log and writes "Event log cleared" as its only entry.
void clear_event_log(const Session& session);

}  // namespace tarvex::app
