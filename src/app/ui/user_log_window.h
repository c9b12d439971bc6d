#pragma once

#include <QDialog>

#include "platform/string_grid.h"

class QLabel;
class QPushButton;

namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::app {

class MainWindowAccess;

// "User Log File": the event log, read afresh each time the window is shown.
class TForm19 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm19(MainWindowAccess& main_window, QWidget* parent);
  TForm19(const TForm19&) = delete;
  TForm19& operator=(const TForm19&) = delete;

  platform::StringGrid& grid() { return grid_; }

  void Button1Click();  // "Close"
  void Button2Click();  // "Clear Log"

  QLabel* Label1 = nullptr;
  qt::StringGridView* StringGrid1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  MainWindowAccess& main_;
  platform::StringGrid grid_;
};

}  // namespace tarvex::app
