#pragma once

#include <QDialog>

#include "platform/string_grid.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace tarvex::app {
class MainWindowAccess;
}
namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::incoming {

// "Find in Received Messages": lists a copy of the incoming messages whose
// chosen column holds a text. It floats beside the main window, not modal.
class TForm5 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm5(app::MainWindowAccess& main_window, QWidget* parent);
  TForm5(const TForm5&) = delete;
  TForm5& operator=(const TForm5&) = delete;

  platform::StringGrid& grid() { return grid_; }

  // "Options" > "Find in Received Messages".
  void show_window();
  void Button1Click();  // "Find"
  void Button2Click();  // "Reset"
  void CheckBox1Click();
  void StringGrid1Click();
  void StringGrid1DblClick();

  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QRadioButton* RadioButton1 = nullptr;
  QRadioButton* RadioButton2 = nullptr;
  QRadioButton* RadioButton3 = nullptr;
  QRadioButton* RadioButton4 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  qt::StringGridView* StringGrid1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label5 = nullptr;

 private:
  app::MainWindowAccess& main_;
  platform::StringGrid grid_;
};

}  // namespace tarvex::incoming
