#pragma once

#include <string>

#include <QDialog>

#include "app/ui/login_fields.h"

namespace tarvex::app {

class MainWindowAccess;

// A login dialog that opens one protected window modally for the
// administrator account or the master login. Both fields are emptied each
// time it is shown, so a typed password never waits there for the next
// operator.
class AdministratorLoginDialog : public QDialog {
  Q_OBJECT

 public:
  AdministratorLoginDialog(MainWindowAccess& main_window, QWidget* parent, const char* caption,
                           std::string protected_window);
  AdministratorLoginDialog(const AdministratorLoginDialog&) = delete;
  AdministratorLoginDialog& operator=(const AdministratorLoginDialog&) = delete;

  void Button1Click();
  void Button2Click();

  QLineEdit* Edit1 = nullptr;
  QLineEdit* MaskEdit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  MainWindowAccess& main_;
  std::string protected_window_;
  LoginFields fields_;
};

// "User Setup Login": opens the account editor (TForm10).
class TForm9 final : public AdministratorLoginDialog {
  Q_OBJECT

 public:
  explicit TForm9(MainWindowAccess& main_window, QWidget* parent);
};

// "User Log Login": opens the event log viewer (TForm19).
class TForm18 final : public AdministratorLoginDialog {
  Q_OBJECT

 public:
  explicit TForm18(MainWindowAccess& main_window, QWidget* parent);
};

}  // namespace tarvex::app
