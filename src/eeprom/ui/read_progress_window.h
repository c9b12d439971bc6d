#pragma once

#include <memory>

#include <QDialog>

#include "eeprom/read_back.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}

namespace tarvex::eeprom {

// "Import from hardware in progress...": the read-back's progress, with
// "Cancel". Shown while the main window reads a unit's EEPROM.
class TForm22 final : public QDialog, public ReadProgressView {
  Q_OBJECT

 public:
  TForm22(app::MainWindowAccess& main_window, TUart& uart, QWidget* parent);
  TForm22(const TForm22&) = delete;
  TForm22& operator=(const TForm22&) = delete;

  ReadBack& read_back() { return read_back_; }
  void Button1Click();

  void show_progress(int maximum) override;
  void set_position(int position) override;
  void close_progress() override;

 protected:
  void reject() override;

 private:
  ReadBack read_back_;
  app::MainWindowAccess& main_window_;

 public:
  QLabel* Label1 = nullptr;
  QProgressBar* Gauge1 = nullptr;
  QPushButton* Button1 = nullptr;
};

}  // namespace tarvex::eeprom
