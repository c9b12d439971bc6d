#pragma once

#include <string>

#include <QDialog>

#include "outbound/sms_programming.h"
#include "platform/string_grid.h"

class QLabel;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;

namespace tarvex::app {
class MainWindowAccess;
}
namespace tarvex::qt {
class StringGridView;
}

namespace tarvex::outbound {

// "Bulk Messages": one text to every selected number of a list; lists are
// kept as group files in the Groups folder.
class TForm4 final : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(app::MainWindowAccess& main_window, QWidget* parent);
  TForm4(const TForm4&) = delete;
  TForm4& operator=(const TForm4&) = delete;

  platform::StringGrid& grid() { return grid_; }
  QAction* action(const char* name) const;
  // Draws R of a send (0..499); tests put their own.
  TagSource tag_source;

  void NewGroup1Click();
  void OpenGroup1Click();
  void SaveGroup1Click();
  void UpdateDatabaseoutofDirectory1Click();
  void SelectAllNumbers1Click();
  void UnselectAllNumbers1Click();
  void Send1Click();
  void Button2Click();
  void Button3Click();
  void StringGrid1DblClick();
  // Esc, the close button and "Exit": asks first when the list has changes.
  void reject() override;

  QPlainTextEdit* Memo1 = nullptr;
  QLabel* Label4 = nullptr;  // characters left
  QLabel* Label5 = nullptr;  // hint
  qt::StringGridView* StringGrid1 = nullptr;
  QPushButton* Button2 = nullptr;  // Add Number
  QPushButton* Button3 = nullptr;  // Remove Number
  QMenuBar* MainMenu1 = nullptr;

 protected:
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void build_menu();
  void mark_changed();
  bool confirm_discard_changes();
  void set_caption(const std::string& caption);

  app::MainWindowAccess& main_;
  platform::StringGrid grid_;
  std::string caption_;  // the caption's bytes; it names a group file
};

}  // namespace tarvex::outbound
