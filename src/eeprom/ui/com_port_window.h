#pragma once

#include <QDialog>

class QButtonGroup;
class QPushButton;
class QRadioButton;

namespace tarvex::app {
class MainWindowAccess;
}

namespace tarvex::eeprom {

// "COM Port Setup": picks the EEPROM programmer's port, COM1 to COM8.
class TForm17 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm17(app::MainWindowAccess& main_window, QWidget* parent);
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
  app::MainWindowAccess& main_window_;
  QButtonGroup* group_ = nullptr;
  QRadioButton* buttons_[8] = {};

 public:
  QPushButton* ApplyButton = nullptr;
  QPushButton* CancelButton = nullptr;
};

}  // namespace tarvex::eeprom
