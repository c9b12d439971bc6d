#pragma once

#include <QDialog>

namespace tarvex::app {

// "About Tarvex Programmer": the product name and version.
class TForm12 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm12(QWidget* parent = nullptr);
  TForm12(const TForm12&) = delete;
  TForm12& operator=(const TForm12&) = delete;
};

}  // namespace tarvex::app
