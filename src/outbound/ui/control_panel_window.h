#pragma once

#include <memory>

#include <QDialog>

#include "outbound/control_panel.h"
#include "platform/scheduler.h"
#include "platform/string_grid.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}
namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::outbound {

class EmailChannel;

// "Control Pannel": one-click functions for a kind of unit, kept in function
// files; a double click on a function sends its command to the unit.
class TForm8 final : public QDialog {
  Q_OBJECT

 public:
  TForm8(app::MainWindowAccess& main_window, EmailChannel& email, QWidget* parent);
  ~TForm8() override;
  TForm8(const TForm8&) = delete;
  TForm8& operator=(const TForm8&) = delete;

  platform::StringGrid& grid() { return grid_; }
  platform::Timer& timer() { return *Timer1; }
  // Draws the tags of command files (0..499); tests put their own.
  TagSource tag_source;

  void NewUnit1Click();
  void OpenUnit1Click();
  void SaveUnit1Click();
  void SaveAsExcelFile1Click();
  void UseforCurrentDevice1Click();
  void Button1Click();
  void Button2Click();
  void StringGrid1DblClick();
  void Timer1Timer();
  // Esc, the close button and "Exit": asks first when the functions changed.
  void reject() override;

  QLineEdit* Edit1 = nullptr;  // unit number
  QLineEdit* Edit2 = nullptr;  // password
  QLineEdit* Edit3 = nullptr;  // unit description
  qt::StringGridView* StringGrid1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;  // Send via Email
  QCheckBox* CheckBox2 = nullptr;  // Send using alt settings
  QLabel* Label3 = nullptr;        // status of the last send
  QLabel* Label5 = nullptr;        // "Function Dir: "
  QPushButton* Button1 = nullptr;  // Add Function
  QPushButton* Button2 = nullptr;  // Remove Function
  QMenuBar* MainMenu1 = nullptr;
  std::unique_ptr<platform::Timer> Timer1;

 private:
  void build_menu();
  bool confirm_discard_changes();

  app::MainWindowAccess& main_;
  EmailChannel& email_;
  platform::StringGrid grid_;
  // Functions added, removed or typed since the list was opened or saved.
  bool changed_ = false;
};

}  // namespace tarvex::outbound
