#pragma once

#include <QDialog>

#include "app/ui/login_fields.h"

namespace tarvex::app {

class MainWindowAccess;

// "Dralmora Login": guards the main window at start-up and after "Log Out".
// Leaving it any way other than a successful login ("Exit", the close box,
// Esc) ends the program, so the main window is never usable with nobody
// logged in.
class TForm7 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm7(MainWindowAccess& main_window, QWidget* parent);
  TForm7(const TForm7&) = delete;
  TForm7& operator=(const TForm7&) = delete;

  void Button1Click();
  void Button2Click();
  void reject() override;

  QLineEdit* Edit1 = nullptr;
  QLineEdit* MaskEdit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  MainWindowAccess& main_;
  LoginFields fields_;
};

}  // namespace tarvex::app
