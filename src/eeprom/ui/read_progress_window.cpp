#include "eeprom/ui/read_progress_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/main_window_access.h"

namespace tarvex::eeprom {

TForm22::TForm22(app::MainWindowAccess& main_window, TUart& uart, QWidget* parent)
    : QDialog(parent),
      read_back_(uart, main_window.session().scheduler, main_window.session().ui),
      main_window_(main_window) {
  setObjectName("TForm22");
  setWindowTitle("Import from hardware in progress...");
  // On top of the other windows, without title-bar buttons.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint);
  setModal(false);
  auto* layout = new QVBoxLayout(this);
  Label1 = new QLabel("Progress:", this);
  Label1->setObjectName("Label1");
  Gauge1 = new QProgressBar(this);
  Gauge1->setObjectName("Gauge1");
  Gauge1->setAccessibleName("Progress:");
  Label1->setBuddy(Gauge1);
  Gauge1->setMinimumWidth(300);
  layout->addWidget(Label1);
  layout->addWidget(Gauge1);
  auto* row = new QHBoxLayout;
  Button1 = new QPushButton("Cancel", this);
  Button1->setObjectName("Button1");
  Button1->setAccessibleName("Cancel");
  row->addStretch();
  row->addWidget(Button1);
  row->addStretch();
  layout->addLayout(row);
  connect(Button1, &QPushButton::clicked, this, &TForm22::Button1Click);
}

void TForm22::Button1Click() {
  read_back_.Cancel();
}

void TForm22::reject() {
  // Esc cancels, as the button does.
  if (read_back_.running()) read_back_.Cancel();
}

void TForm22::show_progress(int maximum) {
  Gauge1->setRange(0, std::max(0, maximum));
  Gauge1->setValue(0);
  show();
  // FormActivate: paint at once.
  main_window_.session().scheduler.process_messages();
}

void TForm22::set_position(int position) {
  Gauge1->setValue(position);
}

void TForm22::close_progress() {
  hide();
}

}  // namespace tarvex::eeprom
