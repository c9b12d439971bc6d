#include "app/event_log.h"

#include <exception>

#include "app/user_codec.h"

namespace tarvex::app {

namespace {

// A text whose scrambled form would hold a line end would shift every later
// entry by a line. The shift depends on the length alone, so a few trailing
// blanks nearly always find a length at which the text stores as it is; only
// when none does are the offending bytes replaced by blanks.
std::string storable(const std::string& text) {
  std::string padded = text;
  for (int blanks = 0; blanks <= 16; ++blanks, padded += ' ')
    if (encodes_to_one_line(padded)) return padded;
  std::string out = text;
  const int shift = static_cast<int>(text.size() % 256) + 1;
  auto breaks_line = [shift](char b) {
    const int encoded = (static_cast<unsigned char>(b) + shift) & 0xFF;
    return encoded == '\r' || encoded == '\n';
  };
  for (char& c : out)
    if (breaks_line(c)) c = breaks_line(' ') ? '_' : ' ';
  return out;
}

std::vector<std::string> entry_lines(const Session& session, const std::string& event) {
  // The time is read before the date, as two readings of the clock.
  const std::string time = session.scheduler.long_time_text();
  const std::string date = session.scheduler.short_date_text();
  return {UserEncode(storable(session.current_operator)), UserEncode(storable(time)),
          UserEncode(storable(date)), UserEncode(storable(event))};
}

}  // namespace

void write_log(const Session& session, const std::string& event) {
  platform::append_lines(session.start_file(kEventLogFile), entry_lines(session, event));
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
  platform::write_lines(session.start_file(kEventLogFile),
                        entry_lines(session, kEventLogClearedEvent));
}

void init_event_log_grid(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  grid.set_col_count(4);
  if (grid.row_count() < 2) grid.set_row_count(2);
  const char* headings[4] = {"User", "Event Time", "Event Date", "Event"};
  const int widths[4] = {111, 87, 93, 340};
  for (int c = 0; c < 4; ++c) {
    grid.set_cell(c, 0, headings[c]);
    grid.set_column_width(c, widths[c]);
  }
  grid.set_editable(false);
}

void load_event_log_grid(platform::StringGrid& grid, const std::string& path, platform::Ui& ui) {
  std::vector<EventEntry> entries;
  bool readable = true;
  {
    platform::GridUpdate update(grid);
    grid.clear_rows(1, grid.row_count() - 1);
    grid.set_row_count(2);
    try {
      entries = read_event_log(path);
    } catch (const std::exception&) {
      readable = false;
    }
    grid.set_row_count(static_cast<int>(entries.size()) + 2);
    for (std::size_t i = 0; i < entries.size(); ++i)
      grid.set_row_cells(static_cast<int>(i) + 1,
                         {entries[i].user, entries[i].time, entries[i].date, entries[i].event});
  }
  if (!readable) ui.message(kLogFileMissingMessage);
}

}  // namespace tarvex::app
