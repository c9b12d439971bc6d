#pragma once

#include <QDialog>

#include "platform/string_grid.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QProgressBar;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}
namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::incoming {

// "Get Log From Unit": searches the unit log file by date range, unit number
// and text. A long search shows its progress and can be stopped.
class TForm6 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm6(app::MainWindowAccess& main_window, QWidget* parent);
  TForm6(const TForm6&) = delete;
  TForm6& operator=(const TForm6&) = delete;

  platform::StringGrid& grid() { return grid_; }
  bool searching() const { return searching_; }

  void Button1Click();  // "Find"
  void StopClick();     // "Stop" while a search runs
  void ClearLog1Click();
  void SaveAsExcelFile1Click();
  void StringGrid1DblClick();
  void show_log_file(const std::string& path);
  // Closing the window also ends a running search.
  void reject() override;

  QMenuBar* MainMenu1 = nullptr;
  QAction* ClearLog1 = nullptr;
  QAction* SaveAsExcelFile1 = nullptr;
  QGroupBox* GroupBox1 = nullptr;
  QCheckBox* CheckBox1 = nullptr;
  QCheckBox* CheckBox2 = nullptr;
  QCheckBox* CheckBox3 = nullptr;
  QCheckBox* CheckBox4 = nullptr;
  QDateEdit* DateTimePicker1 = nullptr;
  QDateEdit* DateTimePicker2 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* StopButton = nullptr;
  QProgressBar* SearchProgress = nullptr;
  qt::StringGridView* StringGrid1 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label8 = nullptr;

 private:
  void set_searching(bool on);

  app::MainWindowAccess& main_;
  platform::StringGrid grid_;
  bool searching_ = false;
  bool stop_requested_ = false;
};

}  // namespace tarvex::incoming
