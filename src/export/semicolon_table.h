#pragma once

#include <string>
#include <vector>

#include "app/session.h"
#include "platform/string_grid.h"

// "Save As Excel File": a grid written as plain 8-bit text, one line per row,
// cells joined by ";". Spreadsheet applications open such a file as a table.
namespace tarvex::exporting {

inline constexpr const char* kExcelFilter = "Excel Files|*.xls";

// Each row's cells joined by ";" and ended by CR LF, then one more CR LF.
// Cells are written exactly as they stand: a ";" in a cell is not quoted.
std::string semicolon_table(const std::vector<std::vector<std::string>>& rows);

// The text of each window's table.
// Main window: every row of maingrid1 from the headings on, columns 0 to 5.
std::string message_table_text(const platform::StringGrid& maingrid);
// Control panel: the headings, then every function with the insert text put
// before its function character.
std::string function_list_text(const platform::StringGrid& functions,
                               const std::string& insert_text);
// Unit log viewer: every row from the headings on, the trailing empty row
// included, four columns.
std::string unit_log_text(const platform::StringGrid& results);

// Offers the save dialog in the start-up folder with unit_number + ".xls"
// proposed and writes text to the chosen file. The file is replaced through a
// temporary file, so a failed write leaves an earlier file of that name
// whole; the failure is reported with the file error's text. Returns whether
// a file was written (false also when the operator cancelled).
bool save_as_excel_file(app::Session& session, const std::string& unit_number,
                        const std::string& text);

// One call per window's "Save As Excel File".
bool export_message_table(app::Session& session, const platform::StringGrid& maingrid,
                          const std::string& unit_number);
// Shows "Text Insert" (TForm11) modally first; its text (session.text_insert)
// goes before every function character. The export goes on however the
// window was closed; cancelling the save dialog writes nothing.
bool export_function_list(app::Session& session, const platform::StringGrid& functions,
                          const std::string& unit_number);
bool export_unit_log(app::Session& session, const platform::StringGrid& results,
                     const std::string& unit_number);

}  // namespace tarvex::exporting
