#include "app/ui/administrator_login_windows.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/accounts.h"
#include "app/main_window_access.h"

namespace tarvex::app {

AdministratorLoginDialog::AdministratorLoginDialog(MainWindowAccess& main_window, QWidget* parent,
                                                   const char* caption,
                                                   std::string protected_window)
    : QDialog(parent), main_(main_window), protected_window_(std::move(protected_window)) {
  setWindowTitle(caption);
  fields_ = LoginFields::build(this);
  Edit1 = fields_.Edit1;
  MaskEdit1 = fields_.MaskEdit1;
  Button1 = fields_.Button1;
  Button2 = fields_.Button2;
  connect(Button1, &QPushButton::clicked, this, &AdministratorLoginDialog::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &AdministratorLoginDialog::Button2Click);
}

void AdministratorLoginDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  fields_.clear();
  Edit1->setFocus();
}

void AdministratorLoginDialog::Button1Click() {
  Session& session = main_.session();
  if (!administrator_check(session.ui, session.start_file(kUserFile), fields_.user_name(),
                           fields_.password()))
    return;
  session.ui.show_modal(protected_window_);
  fields_.clear();
  accept();
}

void AdministratorLoginDialog::Button2Click() {
  reject();
}

TForm9::TForm9(MainWindowAccess& main_window, QWidget* parent)
    : AdministratorLoginDialog(main_window, parent, "User Setup Login", "TForm10") {
  setObjectName("TForm9");
}

TForm18::TForm18(MainWindowAccess& main_window, QWidget* parent)
    : AdministratorLoginDialog(main_window, parent, "User Log Login", "TForm19") {
  setObjectName("TForm18");
}

}  // namespace tarvex::app
