#pragma once

#include <string>

class QDialog;
class QLineEdit;
class QPushButton;

namespace tarvex::app {

// The labelled "User Name:" and "Password:" edits with the "Login" (default)
// and "Exit" buttons that every login dialog of the program shows.
struct LoginFields {
  QLineEdit* Edit1 = nullptr;
  QLineEdit* MaskEdit1 = nullptr;  // shows "*" for every character
  QPushButton* Button1 = nullptr;  // "Login"
  QPushButton* Button2 = nullptr;  // "Exit"

  // Lays the controls out in dialog and fixes its size.
  static LoginFields build(QDialog* dialog);

  std::string user_name() const;
  std::string password() const;
  void clear() const;
};

}  // namespace tarvex::app
