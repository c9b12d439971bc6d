// The main window's EEPROM entries: templates, the programmer's port, the
// programming run and the read-back.
#include <QAction>
#include <QComboBox>
#include <QWidget>

#include "eeprom/com_port_setup.h"
#include "eeprom/programming_run.h"
#include "eeprom/ui/programmer_window.h"
#include "eeprom/ui/read_progress_window.h"
#include "qt/string_grid_view.h"
#include "qt/text_convert.h"
#include "shell/main_window.h"

namespace tarvex::shell {

void TForm1::connect_eeprom_entries() {
  QAction* map_file = action("CreateEEPROMMapFile1");
  map_file->setVisible(true);
  connect(map_file, &QAction::triggered, this, &TForm1::CreateEEPROMMapFile1Click);
  QAction* com_port = action("SetupEepromProgrammerInbox1");
  com_port->setVisible(true);
  connect(com_port, &QAction::triggered, this, &TForm1::SetupEepromProgrammerInbox1Click);

  StringGrid3 = new qt::StringGridView(template_table_, centralWidget());
  StringGrid3->setObjectName("StringGrid3");
  StringGrid3->setAccessibleName("EEPROM template");
  StringGrid3->setVisible(false);
  QAction* program = action("ProgramandVerifywithEEPROMProgrammer1");
  program->setVisible(true);
  connect(program, &QAction::triggered, this, &TForm1::ProgramandVerifywithEEPROMProgrammer1Click);
  QAction* read = action("ImportProgrammingfromHardware1");
  read->setVisible(true);
  connect(read, &QAction::triggered, this, &TForm1::ImportProgrammingfromHardware1Click);
}

void TForm1::CreateEEPROMMapFile1Click() {
  session_.ui.show_modal("TForm23");
}

void TForm1::SetupEepromProgrammerInbox1Click() {
  with_poll_paused([this] {
    if (!session_.ui.show_modal("TForm17")) return;
    set_setup_caption("SetupEepromProgrammerInbox1", eeprom::store_com_port(session_));
  });
}

void TForm1::ProgramandVerifywithEEPROMProgrammer1Click() {
  if (!eeprom_programmer) return;
  // The read-back holds the programmer's port while it pumps messages; a run
  // started from the menu meanwhile would talk over it.
  if (read_progress && read_progress->read_back().running()) return;
  if (!eeprom_programmer->run().load_rows(maingrid_, qt::bytes(ComboBox1->currentText()))) return;
  eeprom_run_showing = true;
  session_.ui.show_modal("TForm20");
  eeprom_run_showing = false;
}

bool TForm1::refuse_load_while_table_held() {
  const bool held = eeprom_run_showing || (read_progress && read_progress->read_back().running());
  if (held) session_.ui.message(eeprom::kTableHeld);
  return held;
}

void TForm1::ImportProgrammingfromHardware1Click() {
  if (!read_progress || !eeprom_programmer) return;
  eeprom::ReadBackTarget target{
      .table = maingrid_,
      .template_table = template_table_,
      .enable_table = [this](bool enabled) { maingrid1->setEnabled(enabled); },
      .scroll_table =
          [this](int top_row) {
            const QModelIndex index = maingrid1->model()->index(top_row - 1, 0);
            if (index.isValid()) maingrid1->scrollTo(index, QAbstractItemView::PositionAtTop);
          },
  };
  read_progress->read_back().run(target, qt::bytes(ComboBox1->currentText()), session_.start_folder,
                                 session_.settings.com_port, *read_progress);
}

}  // namespace tarvex::shell
