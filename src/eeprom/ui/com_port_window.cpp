#include "eeprom/ui/com_port_window.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "eeprom/com_port_setup.h"

namespace tarvex::eeprom {

TForm17::TForm17(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_window_(main_window) {
  setObjectName("TForm17");
  setWindowTitle("COM Port Setup");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  group_ = new QButtonGroup(this);
  for (int n = 1; n <= 8; ++n) {
    const QString caption = "COM" + QString::number(n);
    auto* button = new QRadioButton(caption, this);
    button->setObjectName("RadioButton" + QString::number(n));
    group_->addButton(button, n);
    grid->addWidget(button, (n - 1) % 4, (n - 1) / 4);
    buttons_[n - 1] = button;
  }
  layout->addLayout(grid);
  auto* row = new QHBoxLayout;
  ApplyButton = new QPushButton("Apply", this);
  ApplyButton->setObjectName("Button1");
  ApplyButton->setDefault(true);
  CancelButton = new QPushButton("Cancel", this);
  CancelButton->setObjectName("Button2");
  row->addStretch();
  row->addWidget(ApplyButton);
  row->addWidget(CancelButton);
  layout->addLayout(row);
  // Room for the caption in the title bar, which is wider than the buttons.
  setMinimumWidth(260);
  connect(ApplyButton, &QPushButton::clicked, this, &TForm17::ApplyClick);
  connect(CancelButton, &QPushButton::clicked, this, &TForm17::CancelClick);
  FormShow();
}

void TForm17::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TForm17::FormShow() {
  const int button = radio_button_for_port(main_window_.session().settings.com_port);
  // An exclusive group cannot be left with nothing marked; lift that while
  // the marks are set.
  group_->setExclusive(false);
  for (int n = 1; n <= 8; ++n) buttons_[n - 1]->setChecked(n == button);
  group_->setExclusive(true);
}

int TForm17::marked_button() const {
  for (int n = 1; n <= 8; ++n)
    if (buttons_[n - 1]->isChecked()) return n;
  return 0;
}

void TForm17::ApplyClick() {
  int& port = main_window_.session().settings.com_port;
  port = port_after_apply(marked_button(), port);
  accept();
}

void TForm17::CancelClick() {
  reject();
}

}  // namespace tarvex::eeprom
