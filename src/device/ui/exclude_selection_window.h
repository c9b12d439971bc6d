#pragma once

#include <QDialog>

#include "platform/string_grid.h"

class QLineEdit;
class QPushButton;

namespace tarvex::device {

// "Exclude Selection": selects every message row except those whose Prog
// Code is typed in one of the four boxes.
class TForm14 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm14(platform::StringGrid& table, QWidget* parent = nullptr);
  TForm14(const TForm14&) = delete;
  TForm14& operator=(const TForm14&) = delete;

  void FormActivate();
  void Button1Click();
  void Button2Click();

  QLineEdit* Edit1 = nullptr;
  QLineEdit* Edit2 = nullptr;
  QLineEdit* Edit3 = nullptr;
  QLineEdit* Edit4 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  platform::StringGrid& table_;
};

}  // namespace tarvex::device
