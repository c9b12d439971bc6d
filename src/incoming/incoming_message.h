#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/session.h"
#include "platform/string_grid.h"

namespace tarvex::incoming {

// Columns of the incoming-message grid and of the grids that copy or search
// its rows.
inline constexpr int kColUnitNumber = 0;
inline constexpr int kColReceivedDate = 1;
inline constexpr int kColReceivedTime = 2;
inline constexpr int kColMessage = 3;
inline constexpr int kMessageColumns = 4;
inline constexpr std::size_t kMaxMessageLength = 160;
inline constexpr const char* kMessageHeadings[kMessageColumns] = {"Unit Number", "Received Date",
                                                                  "Received Time", "Message"};

// One received message, as the incoming-message grid shows it.
struct IncomingMessage {
  std::string unit_number;
  std::string received_date;  // the date and the separator after it
  std::string received_time;
  std::string text;

  std::vector<std::string> cells() const {
    return {unit_number, received_date, received_time, text};
  }
  bool operator==(const IncomingMessage&) const = default;
};

// A line of an incoming message file: "number,anything,date time,text". A line
// with fewer than three commas, or a text over 160 characters, gives nothing.
// Fields are taken as they stand; the date is the first 11 characters of the
// third field, the time the rest.
std::optional<IncomingMessage> parse_incoming_line(std::string_view line);

// Empties every cell of the data rows and leaves the heading row and one
// empty row.
void clear_message_grid(platform::StringGrid& grid);
// Writes cells into the last (empty) row and adds a new empty row, so the
// grid always ends with one.
void append_message_row(platform::StringGrid& grid, const std::vector<std::string>& cells);

// A double click in a grid of messages: on a unit number, the Send Message
// window opens for it. Returns whether it opened.
bool send_message_to_clicked_number(app::Session& session, const platform::StringGrid& grid);

}  // namespace tarvex::incoming
