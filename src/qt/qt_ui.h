#pragma once

#include <map>
#include <string>

#include <QPointer>

#include "platform/ui.h"

class QDialog;
class QWidget;

namespace tarvex::qt {

// The Ui seam on real Qt dialogs. Windows register themselves by class name so
// that core code can show them with show_modal().
class QtUi final : public platform::Ui {
 public:
  QtUi() = default;
  QtUi(const QtUi&) = delete;
  QtUi& operator=(const QtUi&) = delete;

  // The parent of message boxes and file dialogs.
  void set_main_window(QWidget* window) { main_window_ = window; }
  void register_window(const std::string& name, QDialog* dialog);
  QDialog* window(const std::string& name) const;

  void message(const std::string& text) override;
  void beep() override;
  platform::Answer question(const std::string& text, bool with_cancel) override;
  std::optional<std::string> open_file(const platform::FileDialogRequest& request) override;
  std::optional<std::string> save_file(const platform::FileDialogRequest& request) override;
  std::optional<std::string> pick_folder(const std::string& title,
                                         const std::string& start_folder) override;
  int show_modal(const std::string& window_name) override;
  std::optional<std::string> shell_open(const std::string& program,
                                        const std::string& working_folder) override;

  // "Caption|*.a;*.b|Other|*.c" -> "Caption (*.a *.b);;Other (*.c)"
  static QString qt_filter(const std::string& filter);

 private:
  QPointer<QWidget> main_window_;
  std::map<std::string, QPointer<QDialog>> windows_;
};

}  // namespace tarvex::qt
