#include "eeprom/ui/map_file_window.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/main_window_access.h"
#include "platform/ui.h"
#include "qt/text_convert.h"

namespace tarvex::eeprom {

namespace {

using qt::bytes;

QSpinBox* spin(QWidget* parent, const char* name, int low, int high) {
  auto* box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setRange(low, high);
  box->setValue(1);
  return box;
}

QLineEdit* edit(QWidget* parent, const char* name, const char* text) {
  auto* line = new QLineEdit(text, parent);
  line->setObjectName(name);
  return line;
}

// A caption whose buddy is the control, so that screen readers name the
// control by it.
QLabel* labelled(QWidget* parent, const char* caption, QWidget* control) {
  auto* label = new QLabel(caption, parent);
  label->setBuddy(control);
  return label;
}

QCheckBox* check(QWidget* parent, const char* name, const char* caption) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(name);
  return box;
}

}  // namespace

TForm23::TForm23(app::MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_window_(main_window) {
  setObjectName("TForm23");
  setWindowTitle("EEPROM Map File Generator");
  auto* layout = new QVBoxLayout(this);

  auto* top = new QGridLayout;
  ComboBox1 = new QComboBox(this);
  ComboBox1->setObjectName("ComboBox1");
  ComboBox1->setEditable(true);
  // A typed name is written exactly as typed: the readers compare it
  // case-sensitively, so the completer must not turn 24lc16b into 24LC16B,
  // and it does not join the three listed.
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->completer()->setCaseSensitivity(Qt::CaseSensitive);
  ComboBox1->addItems({"24LC16B", "24FC256", "24FC512"});
  ComboBox1->setCurrentIndex(-1);
  ComboBox1->setEditText(QString());
  // Wide enough for a type name typed by hand, not just the three listed.
  ComboBox1->setMinimumContentsLength(16);
  ComboBox1->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  top->addWidget(labelled(this, "EEPROM Type:", ComboBox1), 0, 0);
  top->addWidget(ComboBox1, 0, 1);
  SpinEdit1 = spin(this, "SpinEdit1", 1, 255);
  top->addWidget(labelled(this, "Terminator:", SpinEdit1), 1, 0);
  top->addWidget(SpinEdit1, 1, 1);
  top->setColumnStretch(2, 1);
  layout->addLayout(top);

  struct SetControls {
    const char* title;
    const char *code, *hex, *address, *entries, *size, *in_use;
    QLineEdit** code_edit;
    QCheckBox** hex_box;
    QLineEdit** address_edit;
    QSpinBox** entries_spin;
    QSpinBox** size_spin;
    QCheckBox** in_use_box;
  };
  const SetControls sets[3] = {
      {"First Address Set:", "Edit1", "CheckBox1", "Edit2", "SpinEdit2", "SpinEdit5", nullptr,
       &Edit1, &CheckBox1, &Edit2, &SpinEdit2, &SpinEdit5, nullptr},
      {"Second Address Set:", "Edit3", "CheckBox2", "Edit4", "SpinEdit3", "SpinEdit6", "CheckBox3",
       &Edit3, &CheckBox2, &Edit4, &SpinEdit3, &SpinEdit6, &CheckBox3},
      {"Third Address Set:", "Edit5", "CheckBox4", "Edit6", "SpinEdit4", "SpinEdit7", "CheckBox5",
       &Edit5, &CheckBox4, &Edit6, &SpinEdit4, &SpinEdit7, &CheckBox5},
  };
  auto* sets_row = new QHBoxLayout;
  for (const auto& s : sets) {
    auto* group = new QGroupBox(s.title, this);
    auto* grid = new QGridLayout(group);
    *s.code_edit = edit(group, s.code, "00");
    grid->addWidget(labelled(group, "Start PGM Characters:", *s.code_edit), 0, 0);
    grid->addWidget(*s.code_edit, 0, 1);
    *s.hex_box = check(group, s.hex, "Use as Hex Value");
    grid->addWidget(*s.hex_box, 1, 1);
    *s.address_edit = edit(group, s.address, "0000");
    grid->addWidget(labelled(group, "Start Address(Hex):", *s.address_edit), 2, 0);
    grid->addWidget(*s.address_edit, 2, 1);
    *s.entries_spin = spin(group, s.entries, 1, 9999);
    grid->addWidget(labelled(group, "Number of entries:", *s.entries_spin), 3, 0);
    grid->addWidget(*s.entries_spin, 3, 1);
    *s.size_spin = spin(group, s.size, 1, 9999);
    grid->addWidget(labelled(group, "Entry Size:", *s.size_spin), 4, 0);
    grid->addWidget(*s.size_spin, 4, 1);
    if (s.in_use_box) {
      *s.in_use_box = check(group, s.in_use, "In Use");
      grid->addWidget(*s.in_use_box, 5, 1);
    }
    grid->setRowStretch(6, 1);
    sets_row->addWidget(group);
  }
  layout->addLayout(sets_row);

  auto* file_row = new QHBoxLayout;
  Label3 = new QLabel("File Name: ", this);
  Label3->setObjectName("Label3");
  file_row->addWidget(Label3, 1);
  Button1 = new QPushButton("......", this);
  Button1->setObjectName("Button1");
  Button1->setToolTip("Choose the template file");
  Button1->setAccessibleName("Choose the template file");
  file_row->addWidget(Button1);
  Button2 = new QPushButton("Create", this);
  Button2->setObjectName("Button2");
  Button2->setEnabled(false);
  // Enter creates the file once one is chosen, and never opens the save
  // dialog by surprise.
  Button1->setAutoDefault(false);
  Button2->setDefault(true);
  file_row->addWidget(Button2);
  layout->addLayout(file_row);

  connect(Button1, &QPushButton::clicked, this, &TForm23::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm23::Button2Click);
}

void TForm23::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm23::FormActivate() {
  Label3->setText("File Name: ");
  Button2->setEnabled(false);
}

void TForm23::Button1Click() {
  platform::FileDialogRequest request;
  request.folder = main_window_.session().start_folder;
  request.filter = "EEPROM Map Files|*.dtp";
  request.default_ext = "dtp";
  const auto chosen = main_window_.ui().save_file(request);
  if (!chosen) return;
  file_name_ = *chosen;
  Label3->setText("File Name: " + qt::path_text(file_name_));
  Button2->setEnabled(true);
}

void TForm23::Button2Click() {
  if (file_name_.empty()) return;
  create_map_file(main_window_.ui(), file_name_, request());
}

MapFileRequest TForm23::request() const {
  MapFileRequest r;
  r.type_name = bytes(ComboBox1->currentText());
  r.terminator = SpinEdit1->value();
  const QLineEdit* codes[3] = {Edit1, Edit3, Edit5};
  const QCheckBox* hex[3] = {CheckBox1, CheckBox2, CheckBox4};
  const QLineEdit* addresses[3] = {Edit2, Edit4, Edit6};
  const QSpinBox* entries[3] = {SpinEdit2, SpinEdit3, SpinEdit4};
  const QSpinBox* sizes[3] = {SpinEdit5, SpinEdit6, SpinEdit7};
  const QCheckBox* in_use[3] = {nullptr, CheckBox3, CheckBox5};
  for (int i = 0; i < 3; ++i) {
    AddressSet& set = r.sets[i];
    set.start_code = bytes(codes[i]->text());
    set.hex = hex[i]->isChecked();
    set.start_address = bytes(addresses[i]->text());
    set.entries = entries[i]->value();
    set.entry_size = sizes[i]->value();
    set.in_use = i == 0 || in_use[i]->isChecked();
  }
  return r;
}

}  // namespace tarvex::eeprom
