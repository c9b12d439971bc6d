#pragma once

#include <memory>

#include <QDialog>

#include "eeprom/programming_run.h"

class QLabel;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}
namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::eeprom {

class PortRouter;

// "EEPROM Programmer": shows a programming run and offers Close, Retry and
// Skip. The run itself, its timers and the serial component Uart1 are core
// (ProgrammingRun); the window shows what the run tells it.
class TForm20 final : public QDialog, private ProgrammerView {
  Q_OBJECT

 public:
  explicit TForm20(app::MainWindowAccess& main_window, QWidget* parent);
  ~TForm20() override;
  TForm20(const TForm20&) = delete;
  TForm20& operator=(const TForm20&) = delete;

  ProgrammingRun& run() { return *run_; }
  // The port router behind Uart1: Ports.ini decides at every open where a
  // COM port leads, and the simulators live as long as the window.
  PortRouter& ports() { return *ports_; }

  void Label3DblClick();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void reject() override;

 private:
  void show_label(int label, const std::string& text) override;
  void enable_buttons(bool enabled) override;
  void scroll_to(int top_row) override;
  void close_window() override;

  std::unique_ptr<PortRouter> ports_;
  std::unique_ptr<ProgrammingRun> run_;
  bool closing_ = false;

 public:
  QLabel* Label1 = nullptr;
  QLabel* Label2 = nullptr;
  QLabel* Label3 = nullptr;
  QLabel* Label4 = nullptr;
  QLabel* Label5 = nullptr;
  QLabel* Label6 = nullptr;
  qt::StringGridView* StringGrid1 = nullptr;
  qt::StringGridView* StringGrid2 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
};

}  // namespace tarvex::eeprom
