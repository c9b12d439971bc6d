#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scheduler.h"
#include "platform/string_grid.h"
#include "platform/ui.h"

namespace tarvex::incoming {

inline constexpr const char* kNoSearchCriteria = "No search criteria found!";
inline constexpr const char* kDateFormatIncompatible =
    "The System Date Format is not compatible! Change it to: yyyy/mm/dd";
inline constexpr const char* kCannotOpenLog = "Can not open the Log file!";

// The fields of a unit log line ("number,anything,yyyy/mm/dd hh:mm:ss,text"),
// with the fall-backs of lines that have fewer commas.
// Field 1: the text before the first comma, or the whole line.
std::string_view unit_field(std::string_view line);
// The text after the third comma; with fewer commas the text after the last
// one, or the whole line when there is none.
std::string_view message_field(std::string_view line);
// Field 3: between the second and third commas, or everything after the
// second when there is no third; empty with fewer than two commas.
std::string_view stamp_field(std::string_view line);
// The date yyyymmdd read from characters 1-4, 6-7 and 9-10 of field 3;
// nothing when the line has no comma or those characters are not digits.
std::optional<int> line_date(std::string_view line);
// A listed line: number, the first 10 characters of field 3 (the date), the
// rest of field 3 (the time, starting with its separator), the message text.
std::vector<std::string> log_row(std::string_view line);

// A date as year, month and day, and the bound yyyymmdd it gives.
struct CalendarDate {
  int year = 0;
  int month = 0;
  int day = 0;
};
constexpr int date_bound(const CalendarDate& date) {
  return date.year * 10000 + date.month * 100 + date.day;
}

// The ticked criteria. An empty text matches no line.
struct LogCriteria {
  std::optional<int> from;
  std::optional<int> to;
  std::optional<std::string> unit_number;
  std::optional<std::string> text;
};
bool line_matches(const LogCriteria& criteria, std::string_view line);

// What the window's controls hold when "Find" is pressed. A date is missing
// when its picker could not give year, month and day.
struct CriteriaInputs {
  bool from_ticked = false;
  bool to_ticked = false;
  bool unit_ticked = false;
  bool text_ticked = false;
  std::optional<CalendarDate> from_date;
  std::optional<CalendarDate> to_date;
  std::string unit_number;
  std::string text;
};
struct CriteriaCheck {
  std::optional<LogCriteria> criteria;  // nothing: no search
  bool clear_date_boxes = false;
};
// "No search criteria found!" when nothing is ticked. A ticked date that
// cannot be read gives the date-format message, clears both date boxes and
// stops the search: a search without the range asked for would list lines
// the operator did not ask for.
CriteriaCheck check_criteria(const CriteriaInputs& inputs, platform::Ui& ui);

struct SearchProgress {
  std::uint64_t bytes_read = 0;
  std::uint64_t total_bytes = 0;
  int found = 0;
};
struct SearchResult {
  int found = 0;
  bool stopped = false;  // the operator stopped it
  bool failed = false;   // "Can not open the Log file!" was shown
};

struct LogSearch {
  std::string path;
  LogCriteria criteria;
  platform::StringGrid& grid;
  platform::Ui& ui;
  platform::Scheduler& scheduler;  // its clock paces the progress reports
  // Told a few times a second and once at the end; returning false stops
  // the search. The grid shows the rows found so far while it runs.
  std::function<bool(const SearchProgress&)> progress;
  int progress_interval_ms = 200;
  std::size_t block_size = std::size_t{1} << 20;
};

// Empties the result grid and lists every line of the log that meets all
// criteria. The file is read in large blocks and never written. If it cannot
// be opened or read, "Can not open the Log file!" is shown and the rows
// listed so far stay.
SearchResult search_unit_log(const LogSearch& search);

}  // namespace tarvex::incoming
