#include "app/ui/login_fields.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "qt/text_convert.h"

namespace tarvex::app {

namespace {

QLineEdit* labelled_edit(QDialog* dialog, QGridLayout* grid, int row, const char* caption,
                         const char* name) {
  auto* label = new QLabel(caption, dialog);
  label->setObjectName(QString(name) + "Label");
  auto* edit = new QLineEdit(dialog);
  edit->setObjectName(name);
  edit->setAccessibleName(caption);
  label->setBuddy(edit);
  grid->addWidget(label, row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

QPushButton* button(QDialog* dialog, const char* caption, const char* name) {
  auto* b = new QPushButton(caption, dialog);
  b->setObjectName(name);
  b->setAccessibleName(caption);
  return b;
}

}  // namespace

LoginFields LoginFields::build(QDialog* dialog) {
  LoginFields f;
  auto* layout = new QVBoxLayout(dialog);
  auto* grid = new QGridLayout;
  f.Edit1 = labelled_edit(dialog, grid, 0, "User Name:", "Edit1");
  f.MaskEdit1 = labelled_edit(dialog, grid, 1, "Password:", "MaskEdit1");
  f.MaskEdit1->setEchoMode(QLineEdit::Password);
  f.MaskEdit1->setStyleSheet("lineedit-password-character: 42;");  // '*'
  f.Edit1->setMinimumWidth(160);
  layout->addLayout(grid);

  auto* buttons = new QHBoxLayout;
  f.Button1 = button(dialog, "Login", "Button1");
  f.Button2 = button(dialog, "Exit", "Button2");
  f.Button1->setDefault(true);  // Enter logs in
  f.Button2->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(f.Button1);
  buttons->addWidget(f.Button2);
  layout->addLayout(buttons);

  dialog->setFixedSize(dialog->sizeHint());
  return f;
}

std::string LoginFields::user_name() const {
  return qt::bytes(Edit1->text());
}

std::string LoginFields::password() const {
  return qt::bytes(MaskEdit1->text());
}

void LoginFields::clear() const {
  Edit1->clear();
  MaskEdit1->clear();
}

}  // namespace tarvex::app
