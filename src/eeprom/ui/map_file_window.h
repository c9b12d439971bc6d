#pragma once

#include <string>

#include <QDialog>

#include "eeprom/map_generator.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace tarvex::app {
class MainWindowAccess;
}

namespace tarvex::eeprom {

// "EEPROM Map File Generator": makes an EEPROM device template from up to
// three address sets.
class TForm23 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm23(app::MainWindowAccess& main_window, QWidget* parent);
  TForm23(const TForm23&) = delete;
  TForm23& operator=(const TForm23&) = delete;

  // What the controls hold, as the generator takes it.
  MapFileRequest request() const;
  const std::string& file_name() const { return file_name_; }

  void FormActivate();
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::MainWindowAccess& main_window_;
  std::string file_name_;

 public:
  QComboBox* ComboBox1 = nullptr;
  QSpinBox* SpinEdit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QLabel* Label3 = nullptr;
  QPushButton* Button2 = nullptr;
  // Address sets: start code, hex box, start address, entries, entry size.
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QLineEdit* Edit5 = nullptr;
  QLineEdit* Edit6 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QCheckBox* CheckBox5 = nullptr;
  QSpinBox* SpinEdit2 = nullptr;
  QSpinBox* SpinEdit3 = nullptr;
  QSpinBox* SpinEdit4 = nullptr;
  QSpinBox* SpinEdit5 = nullptr;
  QSpinBox* SpinEdit6 = nullptr;
  QSpinBox* SpinEdit7 = nullptr;
};

}  // namespace tarvex::eeprom
