#include "app/ui/login_window.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/accounts.h"
#include "app/main_window_access.h"

namespace tarvex::app {

TForm7::TForm7(MainWindowAccess& main_window, QWidget* parent)
    : QDialog(parent), main_(main_window) {
  setObjectName("TForm7");
  setWindowTitle("Dralmora Login");
  fields_ = LoginFields::build(this);
  Edit1 = fields_.Edit1;
  MaskEdit1 = fields_.MaskEdit1;
  Button1 = fields_.Button1;
  Button2 = fields_.Button2;
  connect(Button1, &QPushButton::clicked, this, &TForm7::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &TForm7::Button2Click);
}

void TForm7::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  // After "Log Out" the next operator starts typing a name.
  Edit1->setFocus();
}

void TForm7::Button1Click() {
  Session& session = main_.session();
  const auto granted = check_login(session.ui, session.start_file(kUserFile), fields_.user_name(),
                                   fields_.password());
  if (!granted) return;
  accept();
  main_.show_main_window();
  session.current_operator = granted->operator_name;
  fields_.clear();
  main_.write_log(granted->event);
}

void TForm7::Button2Click() {
  reject();
}

void TForm7::reject() {
  // Closing the main window ends the program. It may refuse (unsaved changes
  // kept): then nobody is logged in and the dialog stays.
  if (!main_.close_main_window()) return;
  QDialog::reject();
}

}  // namespace tarvex::app
