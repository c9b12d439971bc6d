#pragma once

#include <QDialog>

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace tarvex::app {
class TForm1;
}
namespace tarvex::qt {
class QtUi;
}

namespace tarvex::eeprom {

// "COM Port Setup": picks the EEPROM programmer's port, COM1 to COM8.
class TForm17 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm17(app::TForm1& main_window, QWidget* parent = nullptr);
  TForm17(const TForm17&) = delete;
  TForm17& operator=(const TForm17&) = delete;

  // Marks the stored port's button, or none for a port outside 1..8.
  void FormShow();
  void ApplyClick();
  void CancelClick();
  // The marked button's number, 0 when none is marked.
  int marked_button() const;

  QRadioButton* RadioButton(int n) const { return buttons_[n - 1]; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::TForm1& main_window_;
  QButtonGroup* group_ = nullptr;
  QRadioButton* buttons_[8] = {};

 public:
  QPushButton* ApplyButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

// Creates the window at start-up, registers it, and asks for a port at once
// when the stored one is outside 1..8.
void create_com_port_setup(app::TForm1& main_window, qt::QtUi& ui);

}  // namespace tarvex::eeprom
