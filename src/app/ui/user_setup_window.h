#pragma once

#include <QDialog>

#include "platform/string_grid.h"

class QPushButton;

namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::app {

class MainWindowAccess;

// "User Setup": a working copy of the accounts of user.dat, reloaded each
// time the window is shown and written back by "Save".
class TForm10 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm10(MainWindowAccess& main_window, QWidget* parent);
  TForm10(const TForm10&) = delete;
  TForm10& operator=(const TForm10&) = delete;

  platform::StringGrid& grid() { return grid_; }

  void LoadUsers();
  void SaveUsers();
  void UnselectAll();
  void StringGrid1DblClick(int col, int row);
  void Button1Click();  // "Add"
  void Button2Click();  // "Remove"
  void Button3Click();  // "Save"
  void Button4Click();  // "Cancel"

  qt::StringGridView* StringGrid1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  MainWindowAccess& main_;
  platform::StringGrid grid_;
};

}  // namespace tarvex::app
