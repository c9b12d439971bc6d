#include "app/event_log.h"

#include "app/user_codec.h"

namespace tarvex::app {

namespace {

// A text whose scrambled form would hold a line end would shift every later
// entry by a line. Such bytes are replaced by blanks before the entry is
// stored, so the log always reads back in groups of four.
std::string one_line(const std::string& text) {
  if (encodes_to_one_line(text)) return text;
  std::string out = text;
  const int shift = static_cast<int>(text.size() % 256) + 1;
  for (char& c : out) {
    auto breaks_line = [shift](char b) {
      const int encoded = (static_cast<unsigned char>(b) + shift) & 0xFF;
      return encoded == '\r' || encoded == '\n';
    };
    if (breaks_line(c)) c = breaks_line(' ') ? '_' : ' ';
  }
  return out;
}

}  // namespace

void write_log(const Session& session, const std::string& event) {
  // The time is read before the date, as two readings of the clock.
  const std::string time = session.scheduler.long_time_text();
  const std::string date = session.scheduler.short_date_text();
  platform::append_lines(
      session.start_file(kEventLogFile),
      {UserEncode(one_line(session.current_operator)), UserEncode(one_line(time)),
       UserEncode(one_line(date)), UserEncode(one_line(event))});
}

std::vector<EventEntry> read_event_log(const std::string& path) {
  platform::LineReader reader = platform::LineReader::from_file(path);
  std::vector<EventEntry> entries;
  while (!reader.eof()) {
    EventEntry e;
    e.user = UserDecode(reader.read_line());
    e.time = UserDecode(reader.read_line());
    e.date = UserDecode(reader.read_line());
    e.event = UserDecode(reader.read_line());
    entries.push_back(std::move(e));
  }
  return entries;
}

void clear_event_log(const Session& session) {
  platform::write_file(session.start_file(kEventLogFile), std::string());
  write_log(session, "Event log cleared");
}

}  // namespace tarvex::app
