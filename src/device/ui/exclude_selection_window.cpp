#include "device/ui/exclude_selection_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "device/message_table.h"
#include "qt/text_convert.h"

namespace tarvex::device {

TForm14::TForm14(platform::StringGrid& table, QWidget* parent) : QDialog(parent), table_(table) {
  setObjectName("TForm14");
  setWindowTitle("Exclude Selection");
  auto* layout = new QVBoxLayout(this);
  auto* heading = new QLabel("PGM Symbols to exclude:", this);
  heading->setObjectName("Label1");
  layout->addWidget(heading);
  auto* boxes = new QGridLayout;
  QLineEdit** edits[4] = {&Edit1, &Edit2, &Edit3, &Edit4};
  for (int i = 0; i < 4; ++i) {
    const QString number = QString::number(i + 1);
    auto* label = new QLabel(number, this);
    *edits[i] = new QLineEdit(this);
    QLineEdit* edit = *edits[i];
    edit->setObjectName("Edit" + number);
    edit->setAccessibleName(number);
    edit->setMaxLength(6);
    label->setBuddy(edit);
    boxes->addWidget(label, i, 0);
    boxes->addWidget(edit, i, 1);
  }
  layout->addLayout(boxes);
  auto* buttons = new QHBoxLayout;
  Button1 = new QPushButton("Select", this);
  Button1->setObjectName("Button1");
  Button1->setDefault(true);
  Button2 = new QPushButton("Cancel", this);
  Button2->setObjectName("Button2");
  buttons->addStretch();
  buttons->addWidget(Button1);
  buttons->addWidget(Button2);
  layout->addLayout(buttons);
  connect(Button1, &QPushButton::clicked, this, &TForm14::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm14::Button2Click);
}

void TForm14::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormActivate();
}

void TForm14::FormActivate() {
  for (QLineEdit* edit : {Edit1, Edit2, Edit3, Edit4}) edit->clear();
  Edit1->setFocus();
}

void TForm14::Button1Click() {
  auto text = [](QLineEdit* edit) { return qt::bytes(edit->text()); };
  select_all_excluding(table_, {text(Edit1), text(Edit2), text(Edit3), text(Edit4)});
  accept();
}

void TForm14::Button2Click() {
  reject();
}

}  // namespace tarvex::device
