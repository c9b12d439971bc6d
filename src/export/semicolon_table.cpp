#include "export/semicolon_table.h"

#include <exception>

#include "platform/text_file.h"

namespace tarvex::exporting {

namespace {

// Every row of a grid, headings included, columns 0 to cols - 1.
std::vector<std::vector<std::string>> grid_rows(const platform::StringGrid& grid, int cols) {
  std::vector<std::vector<std::string>> rows;
  rows.reserve(static_cast<std::size_t>(grid.row_count()));
  for (int r = 0; r < grid.row_count(); ++r) {
    std::vector<std::string>& row = rows.emplace_back();
    row.reserve(static_cast<std::size_t>(cols));
    for (int c = 0; c < cols; ++c) row.push_back(grid.cell(c, r));
  }
  return rows;
}

}  // namespace

std::string semicolon_table(const std::vector<std::vector<std::string>>& rows) {
  std::string out;
  for (const auto& row : rows) {
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (c > 0) out += ';';
      out += row[c];
    }
    out += "\r\n";
  }
  out += "\r\n";
  return out;
}

std::string message_table_text(const platform::StringGrid& maingrid) {
  return semicolon_table(grid_rows(maingrid, 6));
}

std::string function_list_text(const platform::StringGrid& functions,
                               const std::string& insert_text) {
  auto rows = grid_rows(functions, 2);
  for (std::size_t r = 1; r < rows.size(); ++r) rows[r][1] = insert_text + rows[r][1];
  return semicolon_table(rows);
}

std::string unit_log_text(const platform::StringGrid& results) {
  return semicolon_table(grid_rows(results, 4));
}

bool save_as_excel_file(app::Session& session, const std::string& unit_number,
                        const std::string& text) {
  platform::FileDialogRequest request;
  request.folder = session.start_folder;
  request.filter = kExcelFilter;
  request.default_ext = "xls";
  request.proposed_name = session.start_file(unit_number + ".xls");
  const auto chosen = session.ui.save_file(request);
  if (!chosen) return false;
  try {
    platform::write_file(*chosen, text);
  } catch (const std::exception& e) {
    session.ui.message(e.what());
    return false;
  }
  return true;
}

bool export_message_table(app::Session& session, const platform::StringGrid& maingrid,
                          const std::string& unit_number) {
  return save_as_excel_file(session, unit_number, message_table_text(maingrid));
}

bool export_function_list(app::Session& session, const platform::StringGrid& functions,
                          const std::string& unit_number) {
  session.ui.show_modal("TForm11");
  return save_as_excel_file(session, unit_number,
                            function_list_text(functions, session.text_insert));
}

bool export_unit_log(app::Session& session, const platform::StringGrid& results,
                     const std::string& unit_number) {
  return save_as_excel_file(session, unit_number, unit_log_text(results));
}

}  // namespace tarvex::exporting
