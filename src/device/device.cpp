#include "device/device.h"

namespace tarvex::device {

MessageRow row_of(const platform::StringGrid& table, int row) {
  return {table.cell(kColDescription, row), table.cell(kColProgCode, row),
          table.cell(kColProgLen, row),     table.cell(kColFlags, row),
          table.cell(kColText, row),        table.cell(kColState, row)};
}

void set_row(platform::StringGrid& table, int row, const MessageRow& cells) {
  table.set_cell(kColDescription, row, cells.description);
  table.set_cell(kColProgCode, row, cells.prog_code);
  table.set_cell(kColProgLen, row, cells.prog_len);
  table.set_cell(kColFlags, row, cells.flags);
  table.set_cell(kColText, row, cells.text);
  table.set_cell(kColState, row, cells.state);
}

std::vector<MessageRow> rows_of(const platform::StringGrid& table) {
  std::vector<MessageRow> rows;
  rows.reserve(data_rows(table));
  for (int r = 1; r < table.row_count(); ++r) rows.push_back(row_of(table, r));
  return rows;
}

int data_rows(const platform::StringGrid& table) {
  return table.row_count() > 1 ? table.row_count() - 1 : 0;
}

int message_length(const platform::StringGrid& table, int row) {
  return static_cast<int>(table.cell(kColFlags, row).size() + table.cell(kColText, row).size());
}

}  // namespace tarvex::device
