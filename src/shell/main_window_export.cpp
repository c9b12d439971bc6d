// The main window's "Save As Excel File" and the manual's "Help" entry.
#include <QAction>
#include <QLineEdit>

#include "export/manual.h"
#include "export/semicolon_table.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

void TForm1::connect_export_entries() {
  QAction* excel = action("SaveAsExcelFile1");
  excel->setVisible(true);
  connect(excel, &QAction::triggered, this, &TForm1::SaveAsExcelFile1Click);
  // The manual is offered where there is one to show.
  action("ViewKVProgrammerManual1")->setVisible(exporting::manual_available(session_));
}

void TForm1::SaveAsExcelFile1Click() {
  exporting::export_message_table(session_, maingrid_, qt::bytes(Edit1->text()));
}

}  // namespace tarvex::shell
