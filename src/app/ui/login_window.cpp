#include "app/ui/login_window.h"

#include <QLineEdit>
#include <QPushButton>

#include "app/accounts.h"
#include "app/ui/main_window.h"

namespace tarvex::app {

TForm7::TForm7(TForm1& main_window) : QDialog(&main_window), main_(main_window) {
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
  if (!main_.isVisible()) main_.show();
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
  if (!main_.close()) return;
  QDialog::reject();
}

}  // namespace tarvex::app
