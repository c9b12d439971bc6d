#include "device/message_table.h"

#include <algorithm>

#include "app/settings_files.h"
#include "device/device.h"

namespace tarvex::device {

namespace {

bool unsendable(const platform::StringGrid& table, int row) {
  return table.cell(kColProgLen, row) == "0";
}

}  // namespace

std::string too_long_message(int limit) {
  return "The message is longer then " + std::to_string(limit) + " characters!";
}

int check_message_length(platform::Ui& ui, const platform::StringGrid& table, int row,
                         const ShowLength& show_length) {
  const int length = message_length(table, row);
  if (show_length) show_length(length);
  const std::string& prog_len = table.cell(kColProgLen, row);
  if (prog_len.empty()) return length;
  int limit = 0;
  try {
    limit = app::to_integer(prog_len);
  } catch (const std::exception& e) {
    ui.message(e.what());
    return length;
  }
  if (limit > 0 && limit < length) ui.message(too_long_message(limit));
  return length;
}

ClickResult table_click(platform::Ui& ui, const platform::StringGrid& table, int row,
                        const ShowLength& show_length) {
  ClickResult result;
  result.length = check_message_length(ui, table, row, show_length);
  const std::string& prog_len = table.cell(kColProgLen, row);
  if (prog_len.empty()) return result;
  if (prog_len == "0") {
    result.memo = MemoChange::Clear;
  } else {
    result.memo = MemoChange::Show;
    result.memo_text = table.cell(kColDescription, row);
  }
  return result;
}

DoubleClick table_double_click(platform::StringGrid& table, int col, int row) {
  if (row < 1 || row >= table.row_count()) return DoubleClick::Nothing;
  const std::string& text = table.cell(col, row);
  if (col == kColText) return text.empty() ? DoubleClick::PastePopup : DoubleClick::Nothing;
  if (col != kColState) return DoubleClick::Nothing;
  const std::string& prog_len = table.cell(kColProgLen, row);
  const char* next = nullptr;
  if (text.empty() || text == kLoaded || text == kSelected || text == kMessageProgrammed)
    next = kUnselected;
  else if (text == kProgrammingFailed || text == kMessageError)
    next = kSelected;
  else if (text == kUnselected && !prog_len.empty() && prog_len != "0")
    next = kSelected;
  if (!next) return DoubleClick::Nothing;
  table.set_cell(kColState, row, next);
  return DoubleClick::StateChanged;
}

void TableKeys::cell_entered(const platform::StringGrid& table, int col, int row) {
  if (col == kColState) state_ = table.cell(kColState, row);
}

void TableKeys::key_down(const platform::StringGrid& table, int row) {
  length_ = message_length(table, row);
  key_row_ = row;
}

bool TableKeys::key_up(platform::StringGrid& table, int col, int row, TableKey key) {
  if (row < 1 || row >= table.row_count()) return false;
  if (col == kColState) {
    bool wrote = false;
    if (key == TableKey::Space) {
      state_ = state_ != kSelected ? kSelected : kUnselected;
      table.set_cell(kColState, row, state_);
      wrote = true;
    }
    if (unsendable(table, row)) {
      state_ = kUnselected;
      table.set_cell(kColState, row, state_);
      wrote = true;
    }
    return wrote;
  }
  if (key == TableKey::Up || key == TableKey::Down || key == TableKey::PageUp ||
      key == TableKey::PageDown)
    return false;
  if (row != key_row_ || message_length(table, row) == length_) return false;
  table.set_cell(kColState, row, kSelected);
  return true;
}

void select_all_messages(platform::StringGrid& table) {
  platform::GridUpdate update(table);
  for (int r = 1; r < table.row_count(); ++r)
    if (!unsendable(table, r)) table.set_cell(kColState, r, kSelected);
}

void unselect_all_messages(platform::StringGrid& table) {
  platform::GridUpdate update(table);
  for (int r = 1; r < table.row_count(); ++r) table.set_cell(kColState, r, kUnselected);
}

void select_all_excluding(platform::StringGrid& table, const std::array<std::string, 4>& codes) {
  platform::GridUpdate update(table);
  for (int r = 1; r < table.row_count(); ++r) {
    const std::string& code = table.cell(kColProgCode, r);
    bool excluded = unsendable(table, r);
    for (const auto& c : codes) excluded = excluded || code == c;
    table.set_cell(kColState, r, excluded ? kUnselected : kSelected);
  }
}

void add_row(platform::StringGrid& table) {
  platform::GridUpdate update(table);
  const int row = table.row_count();
  table.set_row_count(row + 1);
  table.set_row_cells(row, {});
  table.set_cell(kColState, row, kUnselected);
}

void insert_row(platform::StringGrid& table, int row) {
  row = std::max(row, 1);
  if (row > table.row_count()) row = table.row_count();
  platform::GridUpdate update(table);
  table.insert_row(row);
  table.set_cell(kColProgLen, row, "0");
  table.set_cell(kColState, row, kUnselected);
}

bool delete_row(platform::StringGrid& table, int row) {
  if (data_rows(table) <= 1 || row < 1 || row >= table.row_count()) return false;
  table.remove_row(row);
  return true;
}

void paste_description(platform::StringGrid& table, int row) {
  if (row < 1) return;
  table.set_cell(kColText, row, table.cell(kColDescription, row));
}

void import_tab_delimited(platform::StringGrid& table, const std::vector<std::string>& lines) {
  platform::GridUpdate update(table);
  int row = 1;
  for (const auto& line : lines) {
    // Fields beyond the last row are not kept, so the count stops there.
    for (std::size_t start = 0; row < table.row_count(); ++row) {
      const auto tab = line.find('\t', start);
      table.set_cell(kColText, row,
                     line.substr(start, tab == std::string::npos ? tab : tab - start));
      if (tab == std::string::npos) {
        ++row;
        break;
      }
      start = tab + 1;
    }
    if (row >= table.row_count()) return;
  }
}

bool import_tab_delimited_file(app::Session& session, platform::StringGrid& table) {
  platform::FileDialogRequest request;
  request.filter = kImportFilter;
  auto chosen = session.ui.open_file(request);
  if (!chosen) return false;
  try {
    import_tab_delimited(table, platform::read_lines(*chosen, kMaxDeviceFileBytes));
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return false;
  }
  return true;
}

}  // namespace tarvex::device
