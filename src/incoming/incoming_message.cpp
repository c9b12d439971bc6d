#include "incoming/incoming_message.h"

namespace tarvex::incoming {

std::optional<IncomingMessage> parse_incoming_line(std::string_view line) {
  const std::size_t first = line.find(',');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = line.find(',', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  const std::size_t third = line.find(',', second + 1);
  if (third == std::string_view::npos) return std::nullopt;
  const std::string_view text = line.substr(third + 1);
  if (text.size() > kMaxMessageLength) return std::nullopt;
  const std::string_view stamp = line.substr(second + 1, third - second - 1);
  IncomingMessage message;
  message.unit_number = line.substr(0, first);
  message.received_date = stamp.substr(0, 11);
  if (stamp.size() > 11) message.received_time = stamp.substr(11);
  message.text = text;
  return message;
}

void clear_message_grid(platform::StringGrid& grid) {
  platform::GridUpdate update(grid);
  grid.clear_rows(1, grid.row_count() - 1);
  grid.set_row_count(2);
}

void append_message_row(platform::StringGrid& grid, const std::vector<std::string>& cells) {
  if (grid.row_count() < 2) grid.set_row_count(2);
  grid.set_row_cells(grid.row_count() - 1, cells);
  grid.add_rows(1);
}

bool send_message_to_clicked_number(app::Session& session, const platform::StringGrid& grid) {
  const std::string& number = grid.cell(grid.col(), grid.row());
  if (grid.col() != kColUnitNumber || number.empty()) return false;
  session.preset_number = number;
  session.ui.show_modal("TForm3");
  return true;
}

}  // namespace tarvex::incoming
