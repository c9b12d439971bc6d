#pragma once

#include <QDialog>

#include "device/zones.h"

class QPushButton;

namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::device {

// "Zone Selection": one row per zone of a message row's zone string, toggled
// by double click, applied back into the row.
class TForm16 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm16(ZoneSelection& zones, QWidget* parent = nullptr);
  TForm16(const TForm16&) = delete;
  TForm16& operator=(const TForm16&) = delete;

  void StringGrid1DblClick();
  void Button1Click();  // Apply
  void Button2Click();  // Cancel
  void Button3Click();  // Enable All
  void Button4Click();  // Disable All

  qt::StringGridView* StringGrid1 = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  QPushButton* Button4 = nullptr;

 private:
  ZoneSelection& zones_;
};

}  // namespace tarvex::device
