#pragma once

#include <string>

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}

namespace tarvex::incoming {

// "Find Device": finds device files by unit number, with '*' and '?' as
// wildcards, and loads the chosen one as the current device.
class TForm2 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(app::MainWindowAccess& main_window, QWidget* parent);
  TForm2(const TForm2&) = delete;
  TForm2& operator=(const TForm2&) = delete;

  const std::string& search_folder() const { return search_folder_; }

  void FormActivate();
  void Button4Click();  // "......": the search folder
  void Button1Click();  // "Find"
  void Button2Click();  // "Open"

  QLabel* Label2 = nullptr;
  QPushButton* Button4 = nullptr;
  QLabel* Label4 = nullptr;
  QLineEdit* Edit1 = nullptr;
  QPushButton* Button1 = nullptr;
  QComboBox* ComboBox1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  app::MainWindowAccess& main_;
  std::string search_folder_;
};

}  // namespace tarvex::incoming
